// The terminal on POSIX: live VT rendering when standard output is a
// terminal, the transcript otherwise.
#include <errno.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/cp437.h"
#include "platform/interrupt_posix.h"
#include "platform/system.h"
#include "platform/transcript.h"

namespace tunewerk {

namespace {

// Console colour bits are blue, green, red; VT colour numbers red, green, blue.
int VtColour(int consoleColour) {
  return ((consoleColour & 1) << 2) | (consoleColour & 2) | ((consoleColour & 4) >> 2);
}

void AppendAttribute(std::uint8_t attribute, std::string* out) {
  int foreground = attribute & 0x0F;
  int background = (attribute >> 4) & 0x0F;
  *out += "\x1b[0;";
  *out += std::to_string((foreground & 8 ? 90 : 30) + VtColour(foreground));
  *out += ';';
  *out += std::to_string((background & 8 ? 100 : 40) + VtColour(background));
  *out += 'm';
}

void AppendMove(int column, int row, std::string* out) {
  *out += "\x1b[" + std::to_string(row) + ';' + std::to_string(column) + 'H';
}

// Autowrap off while the program runs: a cell written in the last column
// never moves or scrolls the terminal; every row is positioned explicitly.
constexpr char kEnter[] = "\x1b[?7l";
constexpr char kRestore[] = "\x1b[0m\x1b[?7h\x1b[?25h";

class LiveTerminal : public Terminal {
 public:
  LiveTerminal(int width, int height) : width_(width), height_(height) {
    SetInterruptRestore(kRestore);
  }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // The console's colours at start cannot be asked of a VT terminal.
  std::uint8_t StartAttribute() const override { return 0x07; }

  int ReadInputByte() override {
    if (inputPosition_ == inputLength_) {
      ssize_t n;
      do {
        n = read(STDIN_FILENO, input_, sizeof input_);
      } while (n < 0 && errno == EINTR);
      if (n <= 0) return -1;
      inputPosition_ = 0;
      inputLength_ = static_cast<std::size_t>(n);
    }
    std::uint8_t byte = input_[inputPosition_++];
    // The terminal may have echoed and scrolled on its own: redraw it all.
    if (byte == '\n') shown_.clear();
    return byte;
  }

  void Refresh(const Screen& screen, bool force) override {
    if (pacer_.Due(screen, force)) Draw(screen);
  }

  void Finish(const Screen& screen) override {
    Draw(screen);
    WriteAll(kRestore);
    SetInterruptRestore(nullptr);
  }

 private:
  void Draw(const Screen& screen) {
    std::size_t cells = static_cast<std::size_t>(screen.width()) * screen.height();
    bool all = shown_.size() != cells;  // nothing on the terminal is known
    if (all) shown_.assign(cells, Cell{});
    // Modes change only once there is something to draw: a run refused at
    // its start leaves the terminal untouched.
    std::string out = all ? std::string(kEnter) + "\x1b[?25l" : "\x1b[?25l";
    int current = -1;
    for (int row = 1; row <= screen.height(); ++row) {
      Cell* shown = &shown_[static_cast<std::size_t>(row - 1) * screen.width()];
      if (!all && RowMatches(screen, row, shown)) continue;
      AppendMove(1, row, &out);
      for (int column = 1; column <= screen.width(); ++column) {
        const Cell& cell = screen.At(column, row);
        if (cell.attribute != current) {
          current = cell.attribute;
          AppendAttribute(cell.attribute, &out);
        }
        AppendCp437Glyph(cell.character, &out);
        shown[column - 1] = cell;
      }
    }
    AppendMove(screen.cursorColumn(), screen.cursorRow(), &out);
    out += "\x1b[?25h";
    WriteAll(out);
  }

  static bool RowMatches(const Screen& screen, int row, const Cell* shown) {
    for (int column = 1; column <= screen.width(); ++column) {
      const Cell& cell = screen.At(column, row);
      if (cell.character != shown[column - 1].character ||
          cell.attribute != shown[column - 1].attribute) {
        return false;
      }
    }
    return true;
  }

  static void WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = write(STDOUT_FILENO, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  }

  int width_;
  int height_;
  std::vector<Cell> shown_;
  RedrawPacer pacer_;
  std::uint8_t input_[4096];
  std::size_t inputPosition_ = 0;
  std::size_t inputLength_ = 0;
};

}  // namespace

std::unique_ptr<Terminal> MakeSystemTerminal() {
  if (isatty(STDOUT_FILENO)) {
    winsize size{};
    int width = 80, height = 25;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
      width = size.ws_col;
      height = size.ws_row;
    }
    return std::make_unique<LiveTerminal>(width, height);
  }
  return std::make_unique<TranscriptTerminal>(stdin, stdout);
}

}  // namespace tunewerk
