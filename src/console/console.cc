#include "console/console.h"

#include <algorithm>
#include <cstring>

#include "model/text_bytes.h"

namespace tunewerk {

namespace {

constexpr std::size_t kPiece = 16;
constexpr std::size_t kHalfLine = 64;

// The cells of a held line (at most 128): from 64 on, its first and its last
// 64 bytes, which overlap; shorter, 16 bytes at a time, the last piece
// overlapping the one before. For a record's 127 bytes this is cheaper than a
// call of memcpy, a string instruction or a loop.
void CopyCells(std::uint8_t* to, const char* from, std::size_t count) {
  if (count >= kHalfLine) {
    std::memcpy(to, from, kHalfLine);
    std::memcpy(to + count - kHalfLine, from + count - kHalfLine, kHalfLine);
    return;
  }
  if (count < kPiece) {
    std::memcpy(to, from, count);
    return;
  }
  for (std::size_t at = 0; at + kPiece <= count; at += kPiece) {
    std::memcpy(to + at, from + at, kPiece);
  }
  std::memcpy(to + count - kPiece, from + count - kPiece, kPiece);
}

}  // namespace

Console::Console(Terminal& terminal, FileErrorState& state)
    : terminal_(terminal),
      state_(state),
      screen_(terminal.Width(), terminal.Height(), terminal.StartAttribute()) {}

void Console::ClearScreen() {
  PutHeldLines();
  screen_.Clear();
  Refresh(Redraw::kWhenDue);
}

void Console::SetForeground(std::uint8_t colour) {
  PutHeldLines();
  screen_.SetForeground(colour);
}

void Console::SetBackground(std::uint8_t colour) {
  PutHeldLines();
  screen_.SetBackground(colour);
}

void Console::MoveCursor(int column, int row) {
  PutHeldLines();
  screen_.MoveCursor(column, row);
}

void Console::WriteText(std::string_view text) {
  PutHeldLines();
  if (state_.failed()) return;
  screen_.Put(text);
  Refresh(Redraw::kWhenDue);
}

void Console::WriteLine(std::string_view text) {
  PutHeldLines();
  if (state_.failed()) return;
  screen_.Put(text);
  screen_.Put(kLineEnd);
  Refresh(Redraw::kWhenDue);
}

void Console::WriteTextAt(int column, int row, std::string_view text) {
  WriteCellsAt(column, row, text, state_.failed() ? -1 : screen_.PlainLineCells(column, row, text));
}

void Console::WritePlainLineAt(int column, int row, std::string_view text) {
  // Where the line before is held, the place was checked then: only the
  // number of cells is left to check.
  if (held_.held && held_.column == column && held_.row == row && !state_.failed() &&
      !text.empty()) {
    std::size_t cells = text.size() - 1 - (text.back() == static_cast<char>(kCarriageReturn));
    if (cells <= held_.mostCells) {
      HoldCells(text, cells);
      if (terminal_.RedrawDue()) DrawHeldLines();
      return;
    }
  }
  WriteCellsAt(column, row, text,
               state_.failed() ? -1 : screen_.KnownPlainLineCells(column, row, text));
}

void Console::WriteCellsAt(int column, int row, std::string_view text, int cells) {
  bool samePlace = !held_.held || (held_.column == column && held_.row == row);
  if (cells < 0 || static_cast<std::size_t>(cells) > kHeldCells || !samePlace) {
    MoveCursor(column, row);
    WriteText(text);
    return;
  }
  if (!held_.held) StartHolding(column, row);
  HoldCells(text, static_cast<std::size_t>(cells));
  if (terminal_.RedrawDue()) DrawHeldLines();
}

void Console::StartHolding(int column, int row) {
  held_.held = true;
  held_.column = column;
  held_.row = row;
  int room = screen_.PlainLineRoom(column, row);
  held_.mostCells = room < 0 ? 0 : std::min(kHeldCells, static_cast<std::size_t>(room));
  held_.cells = 0;
  held_.bytes[0] = kLineFeed;
}

void Console::HoldCells(std::string_view text, std::size_t cells) {
  CopyCells(held_.bytes + 1, text.data() + 1, cells);
  held_.cells = std::max(held_.cells, cells);
  held_.lastCells = cells;
  held_.lastReturn = text.size() > cells + 1;
}

void Console::DrawHeldLines() {
  PutHeldLinesNow();
  Refresh(Redraw::kWhenDue);
}

// The cells first, as the longest line left them, then the last line again,
// so that the cursor ends where it put it.
void Console::PutHeldLinesNow() {
  held_.held = false;
  auto lines = [this](std::size_t size) {
    screen_.MoveCursor(held_.column, held_.row);
    screen_.Put(std::string_view(reinterpret_cast<const char*>(held_.bytes), size));
  };
  if (held_.cells > held_.lastCells) lines(1 + held_.cells);
  held_.bytes[1 + held_.lastCells] = kCarriageReturn;
  lines(1 + held_.lastCells + (held_.lastReturn ? 1 : 0));
}

std::string Console::ReadLine(std::size_t limit) {
  PutHeldLines();
  if (state_.failed()) return "";
  Refresh(Redraw::kNow);
  std::string answer;
  bool pendingReturn = false;  // a CR is dropped only directly before the LF
  int byte;
  while ((byte = terminal_.ReadInputByte()) >= 0 && byte != kLineFeed) {
    if (pendingReturn) Echo(kCarriageReturn, &answer, limit);
    pendingReturn = byte == kCarriageReturn;
    if (!pendingReturn) Echo(static_cast<std::uint8_t>(byte), &answer, limit);
  }
  if (byte == Terminal::kInputFailed) {
    TakeTerminalFailure();
    return "";
  }
  if (byte == Terminal::kEndOfInput && terminal_.EndOfInputCancels()) {
    streamStopped_ = !state_.failed();
    state_.Enter("cancelled at a question (end of input)");
    return "";
  }
  if (pendingReturn && byte < 0) Echo(kCarriageReturn, &answer, limit);
  screen_.NextLine();
  Refresh(Redraw::kNow);
  return answer;
}

std::string Console::ShowAnswer(std::string_view answer, std::size_t limit) {
  PutHeldLines();
  std::string shown;
  for (char byte : answer) Echo(static_cast<std::uint8_t>(byte), &shown, limit);
  screen_.NextLine();
  Refresh(Redraw::kNow);
  return shown;
}

void Console::Echo(std::uint8_t byte, std::string* answer, std::size_t limit) {
  if (answer->size() < limit) answer->push_back(static_cast<char>(byte));
  screen_.PutByte(byte);
  Refresh(Redraw::kWhenDue);
}

void Console::Finish() {
  PutHeldLines();
  terminal_.Finish(screen_);
  TakeTerminalFailure();
}

void Console::Refresh(Redraw when) {
  terminal_.Refresh(screen_, when);
  TakeTerminalFailure();
}

// A stream that failed stops the run like a file that failed.
void Console::TakeTerminalFailure() {
  if (terminal_.failure().empty() || state_.failed()) return;
  streamStopped_ = true;
  state_.Enter(terminal_.failure());
}

}  // namespace tunewerk
