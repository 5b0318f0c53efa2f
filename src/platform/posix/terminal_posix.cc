// The terminal on POSIX: live VT rendering when standard output is a
// terminal, the transcript otherwise.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cp437.h"
#include "platform/interrupt.h"
#include "platform/standard_streams.h"
#include "platform/system.h"
#include "platform/transcript.h"

namespace tunewerk {

namespace {

// Waits until `fd` is ready for `events` (a non-blocking descriptor said
// EAGAIN). False when poll itself failed.
bool WaitFor(int fd, short events) {
  pollfd wanted{fd, events, 0};
  for (;;) {
    if (poll(&wanted, 1, -1) >= 0) return true;
    if (errno != EINTR) return false;
  }
}

long ReadInput(std::uint8_t* buffer, std::size_t capacity, std::string* reason) {
  for (;;) {
    ssize_t n = read(STDIN_FILENO, buffer, capacity);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(STDIN_FILENO, POLLIN)) continue;
    *reason = std::strerror(errno);
    return -1;
  }
}

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
// Cleared cells are blanks in this attribute (the terminal erases in the
// current background colour).
constexpr std::uint8_t kClearedAttribute = 0x07;

// Raised by the signal handlers; a byte on the wake pipe stops a wait for
// input so that the screen is drawn again at once.
volatile sig_atomic_t gResized = 0;
volatile sig_atomic_t gContinued = 0;
int gWakeRead = -1;
int gWakeWrite = -1;

void Wake() {
  int saved = errno;
  char byte = 1;
  ssize_t ignored = write(gWakeWrite, &byte, 1);
  (void)ignored;
  errno = saved;
}

void OnResize(int) {
  gResized = 1;
  Wake();
}

void OnContinue(int) {
  gContinued = 1;
  Wake();
}

void InstallHandler(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
}

// Ctrl-Z: the terminal goes back to the shell as it was, then the program
// stops; once continued, the next draw sets it up again.
void OnStop(int) {
  int saved = errno;
  ssize_t ignored = write(STDOUT_FILENO, kRestore, sizeof kRestore - 1);
  (void)ignored;
  signal(SIGTSTP, SIG_DFL);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  raise(SIGTSTP);
  InstallHandler(SIGTSTP, OnStop);
  gContinued = 1;
  Wake();
  errno = saved;
}

bool TakeFlag(volatile sig_atomic_t* flag) {
  if (*flag == 0) return false;
  *flag = 0;
  return true;
}

// The terminal's size, clipped; 80 x 25 when it does not say.
void TerminalSize(int* columns, int* rows) {
  winsize size{};
  *columns = 80;
  *rows = 25;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    *columns = std::min<int>(size.ws_col, kLargestScreenSide);
    *rows = std::min<int>(size.ws_row, kLargestScreenSide);
  }
}

bool SameCells(const Cell& a, const Cell& b) {
  return a.character == b.character && a.attribute == b.attribute;
}

bool LooksBlank(const Cell& cell) {
  return cell.character == ' ' || cell.character == 0;
}

// Live rendering. The screen keeps the size the terminal had at start; the
// terminal shows as much of it as fits, scrolled so that the cursor's row is
// visible. Only cells that differ from what the terminal shows are written,
// so a redraw costs what changed, not the terminal's area.
class LiveTerminal : public Terminal {
 public:
  LiveTerminal(int columns, int rows) : columns_(columns), rows_(rows) {
    int ends[2];
    if (pipe(ends) == 0) {
      for (int end : ends) fcntl(end, F_SETFL, O_NONBLOCK), fcntl(end, F_SETFD, FD_CLOEXEC);
      gWakeRead = ends[0];
      gWakeWrite = ends[1];
    }
    InstallHandler(SIGWINCH, OnResize);
    InstallHandler(SIGCONT, OnContinue);
    InstallHandler(SIGTSTP, OnStop);
  }

  ~LiveTerminal() override {
    if (!finished_) Restore();
  }

  int Width() const override { return columns_; }
  int Height() const override { return rows_; }
  // The console's colours at start cannot be asked of a VT terminal.
  std::uint8_t StartAttribute() const override { return 0x07; }
  bool EndOfInputCancels() const override { return StandardInputIsInteractive(); }

  int ReadInputByte() override {
    while (input_.empty()) {
      if (!WaitForInput()) return kInputFailed;
      if (readable_) break;
    }
    int byte = ReadBufferedInput(input_);
    // The terminal echoed the line and may have scrolled: draw it all again.
    if (byte == '\n') known_ = false;
    return byte;
  }

  void Refresh(const Screen& screen, Redraw when) override {
    screen_ = &screen;
    bool signalled = TakeSignals();
    if (pacer_.Due(screen, signalled ? Redraw::kNow : when)) Draw(screen);
  }

  // A resize or a continue is drawn at the next refresh, whatever the pace.
  bool RedrawDue() override { return gResized != 0 || gContinued != 0 || pacer_.DueAfterChange(); }

  // What the shell or the program writes next (a failure or a warning line,
  // the prompt) goes right below the last row the run used, wherever the run
  // left its cursor (a cancelled question leaves it after the prompt).
  void Finish(const Screen& screen) override {
    TakeSignals();
    int lastRow = LastRowInUse(screen);
    if (lastRow == 0) {
      Draw(screen);
    } else {
      DrawWithCursorAt(screen, 1, lastRow);
      // The terminal scrolls when that row is its last; colours off first, so
      // that the new row is erased in the terminal's own.
      Write("\x1b[0m\r\n");
    }
    Restore();
  }

 private:
  // A run refused at its start drew nothing and leaves the terminal untouched.
  void Restore() {
    finished_ = true;
    if (entered_) Write(kRestore);
    SetInterruptRestore(nullptr);
  }

  // After a resize or a stop, nothing on the terminal is known.
  bool TakeSignals() {
    bool resized = TakeFlag(&gResized);
    bool continued = TakeFlag(&gContinued);
    if (resized || continued) known_ = false;
    return resized || continued;
  }

  // Waits until standard input has bytes or a signal asks for a redraw,
  // which is done here. False when the wait failed.
  bool WaitForInput() {
    pollfd wanted[2] = {{STDIN_FILENO, POLLIN, 0}, {gWakeRead, POLLIN, 0}};
    int ready = poll(wanted, gWakeRead >= 0 ? 2 : 1, -1);
    if (ready < 0 && errno != EINTR) {
      Fail(std::string("cannot read standard input: ") + std::strerror(errno));
      return false;
    }
    if (ready > 0 && (wanted[1].revents & POLLIN)) {
      char drained[64];
      while (read(gWakeRead, drained, sizeof drained) > 0) {
      }
    }
    if (TakeSignals() && screen_ != nullptr) Draw(*screen_);
    readable_ = ready > 0 && wanted[0].revents != 0;
    return true;
  }

  void Draw(const Screen& screen) {
    DrawWithCursorAt(screen, screen.cursorColumn(), screen.cursorRow());
  }

  // Draws the screen scrolled so that `cursorRow` is in view, the cursor there.
  void DrawWithCursorAt(const Screen& screen, int cursorColumn, int cursorRow) {
    if (outputBroken_) return;
    if (!known_) TerminalSize(&terminalColumns_, &terminalRows_);
    int columns = std::min(terminalColumns_, screen.width());
    int rows = std::min(terminalRows_, screen.height());
    int top = std::clamp(top_, cursorRow - rows, cursorRow - 1);
    top = std::clamp(top, 0, screen.height() - rows);
    if (top != top_ || shown_.size() != static_cast<std::size_t>(columns) * rows) known_ = false;
    top_ = top;
    viewColumns_ = columns;

    std::string out = "\x1b[?25l";
    current_ = -1;
    if (!known_) ClearTerminal(rows, &out);
    for (int row = 1; row <= rows; ++row) DrawRow(screen, row, &out);
    AppendMove(std::min(cursorColumn, columns), cursorRow - top_, &out);
    out += "\x1b[?25h";
    // Only once the draw is built (it may run out of memory): a run that
    // wrote nothing has nothing to reset.
    if (!entered_) SetInterruptRestore(kRestore);
    entered_ = true;
    Write(out);
  }

  void ClearTerminal(int rows, std::string* out) {
    *out += kEnter;
    AppendAttribute(kClearedAttribute, out);
    current_ = kClearedAttribute;
    *out += "\x1b[2J";
    shown_.assign(static_cast<std::size_t>(viewColumns_) * rows, Cell{' ', kClearedAttribute});
    known_ = true;
  }

  // Writes the cells of a terminal row from the first to the last that
  // differs; a blank end of the row is erased in one go.
  void DrawRow(const Screen& screen, int row, std::string* out) {
    Cell* shown = &shown_[static_cast<std::size_t>(row - 1) * viewColumns_];
    const std::uint8_t* characters = screen.RowCharacters(row + top_);
    const std::uint8_t* attributes = screen.RowAttributes(row + top_);
    Cell* cells = rowCells_;
    for (int column = 0; column < viewColumns_; ++column) {
      cells[column] = Cell{characters[column], attributes[column]};
    }
    int first = 0;
    while (first < viewColumns_ && SameCells(cells[first], shown[first])) ++first;
    if (first == viewColumns_) return;
    int last = viewColumns_ - 1;
    while (SameCells(cells[last], shown[last])) --last;
    int blankFrom = viewColumns_;
    std::uint8_t blankAttribute = cells[viewColumns_ - 1].attribute;
    while (blankFrom > first && LooksBlank(cells[blankFrom - 1]) &&
           cells[blankFrom - 1].attribute == blankAttribute) {
      --blankFrom;
    }
    // Erasing fills with the background only, and beyond the screen too.
    bool erase = blankFrom <= last && (blankAttribute & 0xF0) == (kClearedAttribute & 0xF0);
    int drawTo = erase ? blankFrom - 1 : last;
    AppendMove(first + 1, row, out);
    for (int column = first; column <= drawTo; ++column) {
      SetAttribute(cells[column].attribute, out);
      AppendCp437Glyph(cells[column].character, out);
      shown[column] = cells[column];
    }
    if (!erase) return;
    SetAttribute(blankAttribute, out);
    *out += "\x1b[K";
    std::copy(cells + blankFrom, cells + viewColumns_, shown + blankFrom);
  }

  void SetAttribute(std::uint8_t attribute, std::string* out) {
    if (attribute == current_) return;
    current_ = attribute;
    AppendAttribute(attribute, out);
  }

  void Write(std::string_view bytes) {
    std::string reason;
    if (outputBroken_ || WriteStandardOutput(bytes, &reason)) return;
    outputBroken_ = true;
    Fail("cannot write to standard output: " + reason);
  }

  int columns_;
  int rows_;
  int terminalColumns_ = 0;
  int terminalRows_ = 0;
  int viewColumns_ = 0;
  int top_ = 0;  // screen rows above the terminal's first row
  bool known_ = false;
  bool entered_ = false;  // the terminal's modes were changed
  bool finished_ = false;
  bool readable_ = false;
  bool outputBroken_ = false;
  int current_ = -1;
  std::vector<Cell> shown_;
  // The screen keeps characters and attributes apart; a row is compared as cells.
  Cell rowCells_[kLargestScreenSide];
  const Screen* screen_ = nullptr;
  RedrawPacer pacer_;
  StandardInputBuffer input_;
};

}  // namespace

// A write past a closed pipe or past the file-size limit fails with its
// reason instead of killing the run.
void PrepareStandardStreams() {
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
}

long ReadStandardInput(std::uint8_t* buffer, std::size_t capacity, std::string* reason) {
  return ReadInput(buffer, capacity, reason);
}

bool WriteStandardOutput(std::string_view bytes, std::string* reason) {
  while (!bytes.empty()) {
    ssize_t n = write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(STDOUT_FILENO, POLLOUT)) {
      continue;
    }
    *reason = n < 0 ? std::strerror(errno) : "nothing written";
    return false;
  }
  return true;
}

bool StandardInputIsInteractive() {
  return isatty(STDIN_FILENO) != 0;
}

std::unique_ptr<Terminal> MakeSystemTerminal() {
  if (isatty(STDOUT_FILENO)) {
    int columns, rows;
    TerminalSize(&columns, &rows);
    return std::make_unique<LiveTerminal>(columns, rows);
  }
  return std::make_unique<TranscriptTerminal>();
}

// A terminal's window is the user's own: it stays when the run ends.
ConsoleWindow SystemConsoleWindow() {
  return {};
}

}  // namespace tunewerk
