// The terminal on Windows: the console's screen buffer when standard output
// is a console, the transcript otherwise.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/console_keys.h"
#include "platform/standard_streams.h"
#include "platform/system.h"
#include "platform/transcript.h"
#include "platform/windows/interrupt_windows.h"
#include "platform/windows/reason_windows.h"

namespace tunewerk {

namespace {

// Older consoles refuse a WriteConsoleOutputA of more than about 64 KiB.
constexpr int kCellsPerWrite = 8000;

class ConsoleTerminal : public Terminal {
 public:
  ConsoleTerminal(HANDLE output, HANDLE input, const CONSOLE_SCREEN_BUFFER_INFO& info)
      : output_(output),
        input_(input),
        inputIsConsole_(IsConsoleInput(input)),
        width_(std::min<int>(info.dwSize.X, kLargestScreenSide)),
        height_(std::min<int>(info.dwSize.Y, kLargestScreenSide)),
        startAttribute_(info.wAttributes) {}

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::uint8_t StartAttribute() const override {
    return static_cast<std::uint8_t>(startAttribute_ & 0xFF);
  }

  int ReadInputByte() override { return inputIsConsole_ ? ReadKey() : ReadByte(); }
  // Ctrl-Z and Enter typed at the console; from a pipe or a file the end of
  // input is the end of the answers prepared.
  bool EndOfInputCancels() const override { return inputIsConsole_; }

  void Refresh(const Screen& screen, Redraw when) override {
    if (pacer_.Due(screen, when)) Draw(screen);
  }
  bool RedrawDue() override { return pacer_.DueAfterChange(); }

  // The console keeps the colours it had: cells carry their own attributes
  // and later output of the shell uses the one set here. What is written next
  // (a failure or a warning line, the prompt) goes right below the last row
  // the run used, wherever the run left its cursor.
  void Finish(const Screen& screen) override {
    Draw(screen);
    SetConsoleTextAttribute(output_, startAttribute_);
    int lastRow = LastRowInUse(screen);
    if (lastRow == 0) return;
    if (lastRow < height_) {
      SetConsoleCursorPosition(output_, COORD{0, static_cast<SHORT>(lastRow)});
    } else {
      // Below the buffer's last row: a line end there scrolls it.
      SetConsoleCursorPosition(output_, COORD{0, static_cast<SHORT>(lastRow - 1)});
      Write("\r\n");
    }
  }

  ConsoleWindow Window() const override { return SystemConsoleWindow(); }

  // Keys pressed before the prompt shows do not close the window unseen.
  void WaitForEnter(std::string_view prompt, int status) override {
    EndStopsWithStatus(status);
    if (inputIsConsole_) {
      FlushConsoleInputBuffer(input_);
      recordPosition_ = recordCount_ = 0;
      keys_.Clear();
    }
    Write(prompt);
    int byte;
    while ((byte = ReadInputByte()) >= 0 && byte != '\n') {
    }
    // The key is not echoed; a window that stays (wine's) goes on below.
    Write("\n");
  }

 private:
  static bool IsConsoleInput(HANDLE input) {
    DWORD mode;
    return GetConsoleMode(input, &mode) != 0;
  }

  // Key presses as ConsoleKeys turns them into bytes. The console does not
  // echo them: the screen model does.
  int ReadKey() {
    for (;;) {
      int byte = keys_.Next();
      if (byte != ConsoleKeys::kNeedKey) return byte;
      if (recordPosition_ == recordCount_) {
        DWORD waiting = 0;
        GetNumberOfConsoleInputEvents(input_, &waiting);
        DWORD wanted = std::clamp<DWORD>(waiting, 1, kRecords);
        DWORD got = 0;
        if (!ReadConsoleInputA(input_, records_, wanted, &got) || got == 0) {
          Fail("cannot read standard input: " + WindowsReason(GetLastError()));
          return kInputFailed;
        }
        recordPosition_ = 0;
        recordCount_ = got;
      }
      const INPUT_RECORD& record = records_[recordPosition_++];
      if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
      keys_.Press(static_cast<std::uint8_t>(record.Event.KeyEvent.uChar.AsciiChar),
                  record.Event.KeyEvent.wRepeatCount);
    }
  }

  // Standard input redirected while the screen is a console.
  int ReadByte() { return ReadBufferedInput(bytes_); }

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

  void Write(std::string_view text) {
    DWORD written = 0;
    WriteFile(output_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
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
  ConsoleKeys keys_;
  StandardInputBuffer bytes_;
};

}  // namespace

// The standard streams carry bytes as they are, as on POSIX: no CR added
// before an LF written (usage, transcript, the error line), none dropped
// from the answers read.
void PrepareStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

long ReadStandardInput(std::uint8_t* buffer, std::size_t capacity, std::string* reason) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return 0;  // no standard input at all
  DWORD got = 0;
  DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 30));
  if (ReadFile(input, buffer, wanted, &got, nullptr)) return static_cast<long>(got);
  DWORD error = GetLastError();
  if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;  // the writer closed
  *reason = WindowsReason(error);
  return -1;
}

bool WriteStandardOutput(std::string_view bytes, std::string* reason) {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  while (!bytes.empty()) {
    DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(output, bytes.data(), wanted, &written, nullptr)) {
      *reason = WindowsReason(GetLastError());
      return false;
    }
    if (written == 0) {
      *reason = WindowsReason(ERROR_DISK_FULL);
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool StandardInputIsInteractive() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

ConsoleWindow SystemConsoleWindow() {
  ConsoleWindow window;
  DWORD ids[2];  // the count is returned also when they do not fit
  window.processes = static_cast<int>(GetConsoleProcessList(ids, 2));
  DWORD mode;
  window.inputIsConsole = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
  window.outputIsConsole = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  return window;
}

std::unique_ptr<Terminal> MakeSystemTerminal() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (output != INVALID_HANDLE_VALUE && output != nullptr &&
      GetConsoleScreenBufferInfo(output, &info) && info.dwSize.X > 0 && info.dwSize.Y > 0) {
    return std::make_unique<ConsoleTerminal>(output, GetStdHandle(STD_INPUT_HANDLE), info);
  }
  return std::make_unique<TranscriptTerminal>();
}

}  // namespace tunewerk
