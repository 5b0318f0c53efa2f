// The terminal on Windows: the console's screen buffer when standard output
// is a console, the transcript otherwise.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/system.h"
#include "platform/transcript.h"

namespace tunewerk {

namespace {

// The standard streams carry bytes as they are, as on POSIX: no CR added
// before an LF written (usage, transcript, the error line), none dropped
// from the answers read.
const bool gStreamsBinary = [] {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return true;
}();

// Older consoles refuse a WriteConsoleOutputA of more than about 64 KiB.
constexpr int kCellsPerWrite = 8000;

class ConsoleTerminal : public Terminal {
 public:
  ConsoleTerminal(HANDLE output, HANDLE input, const CONSOLE_SCREEN_BUFFER_INFO& info)
      : output_(output),
        input_(input),
        inputIsConsole_(IsConsoleInput(input)),
        width_(info.dwSize.X),
        height_(info.dwSize.Y),
        startAttribute_(info.wAttributes) {}

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::uint8_t StartAttribute() const override {
    return static_cast<std::uint8_t>(startAttribute_ & 0xFF);
  }

  int ReadInputByte() override { return inputIsConsole_ ? ReadKey() : ReadByte(); }

  void Refresh(const Screen& screen, bool force) override {
    if (pacer_.Due(screen, force)) Draw(screen);
  }

  // The console keeps the colours it had: cells carry their own attributes
  // and later output of the shell uses the one set here.
  void Finish(const Screen& screen) override {
    Draw(screen);
    SetConsoleTextAttribute(output_, startAttribute_);
  }

 private:
  static bool IsConsoleInput(HANDLE input) {
    DWORD mode;
    return GetConsoleMode(input, &mode) != 0;
  }

  // Key presses that give a character; Enter ends the line. The console does
  // not echo them: the screen model does.
  int ReadKey() {
    for (;;) {
      if (repeatLeft_ > 0) {
        --repeatLeft_;
        return keyByte_;
      }
      if (recordPosition_ == recordCount_) {
        DWORD waiting = 0;
        GetNumberOfConsoleInputEvents(input_, &waiting);
        DWORD wanted = std::clamp<DWORD>(waiting, 1, kRecords);
        DWORD got = 0;
        if (!ReadConsoleInputA(input_, records_, wanted, &got) || got == 0) return -1;
        recordPosition_ = 0;
        recordCount_ = got;
      }
      const INPUT_RECORD& record = records_[recordPosition_++];
      if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
      auto character = static_cast<std::uint8_t>(record.Event.KeyEvent.uChar.AsciiChar);
      if (character == 0) continue;  // shift, arrows and the like
      keyByte_ = character == '\r' ? '\n' : character;
      repeatLeft_ = std::max<int>(1, record.Event.KeyEvent.wRepeatCount);
    }
  }

  // Standard input redirected while the screen is a console.
  int ReadByte() {
    if (bytePosition_ == byteCount_) {
      DWORD got = 0;
      if (!ReadFile(input_, bytes_, sizeof bytes_, &got, nullptr) || got == 0) return -1;
      bytePosition_ = 0;
      byteCount_ = got;
    }
    return bytes_[bytePosition_++];
  }

  // Writes the runs of rows that differ from what the console shows.
  void Draw(const Screen& screen) {
    std::size_t cells = static_cast<std::size_t>(width_) * height_;
    bool all = shown_.size() != cells;
    if (all) shown_.assign(cells, CHAR_INFO{});
    int rowsPerWrite = std::max(1, kCellsPerWrite / width_);
    int row = 1;
    while (row <= height_) {
      if (!all && RowMatches(screen, row)) {
        ++row;
        continue;
      }
      int first = row;
      while (row <= height_ && row - first < rowsPerWrite && (all || !RowMatches(screen, row))) {
        TakeRow(screen, row);
        ++row;
      }
      WriteRows(first, row - 1);
    }
    SetConsoleCursorPosition(output_, COORD{static_cast<SHORT>(screen.cursorColumn() - 1),
                                            static_cast<SHORT>(screen.cursorRow() - 1)});
  }

  CHAR_INFO* ShownRow(int row) { return &shown_[static_cast<std::size_t>(row - 1) * width_]; }

  bool RowMatches(const Screen& screen, int row) {
    const CHAR_INFO* shown = ShownRow(row);
    for (int column = 1; column <= width_; ++column) {
      const Cell& cell = screen.At(column, row);
      if (static_cast<std::uint8_t>(shown[column - 1].Char.AsciiChar) != cell.character ||
          shown[column - 1].Attributes != cell.attribute) {
        return false;
      }
    }
    return true;
  }

  void TakeRow(const Screen& screen, int row) {
    CHAR_INFO* shown = ShownRow(row);
    for (int column = 1; column <= width_; ++column) {
      const Cell& cell = screen.At(column, row);
      shown[column - 1].Char.AsciiChar = static_cast<CHAR>(cell.character);
      shown[column - 1].Attributes = cell.attribute;
    }
  }

  void WriteRows(int first, int last) {
    SMALL_RECT region{0, static_cast<SHORT>(first - 1), static_cast<SHORT>(width_ - 1),
                      static_cast<SHORT>(last - 1)};
    COORD size{static_cast<SHORT>(width_), static_cast<SHORT>(last - first + 1)};
    WriteConsoleOutputA(output_, ShownRow(first), size, COORD{0, 0}, &region);
  }

  static constexpr DWORD kRecords = 64;

  HANDLE output_;
  HANDLE input_;
  bool inputIsConsole_;
  int width_;
  int height_;
  WORD startAttribute_;
  std::vector<CHAR_INFO> shown_;
  RedrawPacer pacer_;
  INPUT_RECORD records_[kRecords];
  DWORD recordPosition_ = 0;
  DWORD recordCount_ = 0;
  std::uint8_t keyByte_ = 0;
  int repeatLeft_ = 0;
  std::uint8_t bytes_[4096];
  DWORD bytePosition_ = 0;
  DWORD byteCount_ = 0;
};

}  // namespace

std::unique_ptr<Terminal> MakeSystemTerminal() {
  (void)gStreamsBinary;
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (output != INVALID_HANDLE_VALUE && output != nullptr &&
      GetConsoleScreenBufferInfo(output, &info) && info.dwSize.X > 0 && info.dwSize.Y > 0) {
    return std::make_unique<ConsoleTerminal>(output, GetStdHandle(STD_INPUT_HANDLE), info);
  }
  return std::make_unique<TranscriptTerminal>(stdin, stdout);
}

}  // namespace tunewerk
