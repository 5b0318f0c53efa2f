#ifndef TUNEWERK_CONSOLE_CONSOLE_H_
#define TUNEWERK_CONSOLE_CONSOLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/file_error_state.h"
#include "model/screen.h"
#include "platform/terminal.h"

namespace tunewerk {

// The console operations of the run. Text output does nothing while the
// run's file error state is set; cursor moves and colour changes still act.
class Console {
 public:
  Console(Terminal& terminal, FileErrorState& state);

  void ClearScreen();
  void SetForeground(std::uint8_t colour);
  void SetBackground(std::uint8_t colour);
  void MoveCursor(int column, int row);
  void WriteText(std::string_view text);
  void WriteLine(std::string_view text);
  // MoveCursor(column, row), then WriteText(text); a plain line (see
  // Screen::PlainLineCells) of at most kHeldCells cells is held instead and
  // put into the screen only where it can be seen: before a redraw that is
  // due, before any other operation and before the screen is looked at. A
  // held line that the next one at the same place covers is never drawn, so
  // an echo costs little more than the copy of its bytes.
  void WriteTextAt(int column, int row, std::string_view text);
  // WriteTextAt for text the caller has found to be a plain line; its bytes
  // are not looked at again (Screen::KnownPlainLineCells).
  void WritePlainLineAt(int column, int row, std::string_view text);
  // Reads a typed line up to LF (a CR directly before it dropped; the end of
  // input ends it), echoes it at the cursor, moves to column 1 of the next
  // row and returns its first `limit` bytes. Empty while the error state is
  // set. The end of input on a terminal (Ctrl-D) and a failed read enter it.
  std::string ReadLine(std::size_t limit);
  // An answer that was not typed: shown at the cursor exactly as ReadLine
  // echoes a typed one, then column 1 of the next row. Returns its first
  // `limit` bytes; nothing is read.
  std::string ShowAnswer(std::string_view answer, std::size_t limit);
  // The last picture; restores the terminal.
  void Finish();

  // With any held line put in.
  const Screen& screen() {
    PutHeldLines();
    return screen_;
  }
  // True when the run stopped because of standard input or output (or the
  // user's Ctrl-D) rather than a file.
  bool streamStopped() const { return streamStopped_; }

 private:
  void Echo(std::uint8_t byte, std::string* answer, std::size_t limit);
  void Refresh(Redraw when);
  void TakeTerminalFailure();

  static constexpr std::size_t kHeldCells = 128;

  // Plain lines written at one place and not yet put into the screen: the
  // cells as they left them (a shorter line over a longer one leaves the
  // longer one's end), and the cells and line end of the last of them.
  struct HeldLines {
    bool held = false;
    int column = 0;
    int row = 0;
    std::size_t mostCells = 0;  // of a plain line at this place
    std::size_t cells = 0;
    std::size_t lastCells = 0;
    bool lastReturn = false;
    std::uint8_t bytes[1 + kHeldCells + 1];  // LF, the cells, room for a CR
  };

  // WriteTextAt with the cells of a plain line, -1 for other text.
  void WriteCellsAt(int column, int row, std::string_view text, int cells);
  void StartHolding(int column, int row);
  // Copies the line's cells over those held; REQUIRES: held at its place.
  void HoldCells(std::string_view text, std::size_t cells);
  // For a redraw that is due: the held lines put in, then the refresh.
  void DrawHeldLines();
  void PutHeldLines() {
    if (held_.held) PutHeldLinesNow();
  }
  void PutHeldLinesNow();

  Terminal& terminal_;
  FileErrorState& state_;
  Screen screen_;
  HeldLines held_;
  bool streamStopped_ = false;
};

}  // namespace tunewerk

#endif  // TUNEWERK_CONSOLE_CONSOLE_H_
