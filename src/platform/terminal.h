#ifndef TUNEWERK_PLATFORM_TERMINAL_H_
#define TUNEWERK_PLATFORM_TERMINAL_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "model/screen.h"
#include "platform/standard_streams.h"

namespace tunewerk {

class StandardInputBuffer;

// The console window a process is shown in: how many processes it serves
// (this one included; 0 without a console, as on POSIX) and whether standard
// input and output are that console rather than redirected.
struct ConsoleWindow {
  int processes = 0;
  bool inputIsConsole = false;
  bool outputIsConsole = false;
};

// Whether a refresh must reach the terminal now (before an answer is read,
// after it is echoed) or may wait for the next due redraw.
enum class Redraw { kWhenDue, kNow };

// Where the screen is shown and answers are typed: a live terminal or
// console, a transcript written at exit, or an in-memory double.
class Terminal {
 public:
  virtual ~Terminal() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual std::uint8_t StartAttribute() const = 0;

  static constexpr int kEndOfInput = -1;
  static constexpr int kInputFailed = -2;

  // The next typed byte, kEndOfInput, or kInputFailed (see failure()).
  virtual int ReadInputByte() = 0;
  // True when the end of input at a question means the user stopped the run
  // (Ctrl-D on a terminal) rather than that prepared answers ran out.
  virtual bool EndOfInputCancels() const { return false; }

  // Shows the screen. Unless Redraw::kNow, a backend may skip it to keep pace.
  virtual void Refresh(const Screen& screen, Redraw when) = 0;
  // Whether Refresh(screen, Redraw::kWhenDue) would draw now, once a change
  // still to be put into the screen is there. Counts as one unforced refresh
  // for the pace. Never true for a backend that shows only the last picture.
  virtual bool RedrawDue() { return false; }

  // Called once at exit: the last picture, then the terminal as it was.
  virtual void Finish(const Screen& screen) = 0;

  // The console window this terminal shows the run in.
  virtual ConsoleWindow Window() const { return {}; }
  // After the run and its error line: shows `prompt` below them and waits
  // until Enter is pressed (or the input ends). A stop meanwhile ends the
  // process with `status`.
  virtual void WaitForEnter(std::string_view /*prompt*/, int /*status*/) {}

  // What failed on standard input or output ("cannot write to standard
  // output: Broken pipe"); empty while both work. Only the first is kept.
  const std::string& failure() const { return failure_; }

 protected:
  void Fail(std::string what) {
    if (failure_.empty()) failure_ = std::move(what);
  }
  // The next byte of `input`, as ReadInputByte gives it; a failed read of
  // standard input is this terminal's failure.
  int ReadBufferedInput(StandardInputBuffer& input);

 private:
  std::string failure_;
};

// When a live backend redraws: at once when forced, otherwise only after a
// change and at most every 40 ms, so that a long import never waits on it.
// Reading the clock costs about as much as echoing a record, so once it has
// said "too soon" the next calls are declined without asking it again.
class RedrawPacer {
 public:
  bool Due(const Screen& screen, Redraw when) {
    if (when != Redraw::kNow && (screen.changes() == drawnChanges_ || !ClockSaysDue())) {
      return false;
    }
    lastDraw_ = std::chrono::steady_clock::now();
    drawnChanges_ = screen.changes();
    callsBeforeClock_ = 0;
    return true;
  }

  // Whether an unforced call of Due would draw now if the screen had changed:
  // a backend's answer before the change is put into it.
  bool DueAfterChange() { return ClockSaysDue(); }

 private:
  static constexpr int kCallsWithoutClock = 64;

  bool ClockSaysDue() {
    if (callsBeforeClock_ > 0) {
      --callsBeforeClock_;
      return false;
    }
    if (std::chrono::steady_clock::now() - lastDraw_ < std::chrono::milliseconds(40)) {
      callsBeforeClock_ = kCallsWithoutClock;
      return false;
    }
    return true;
  }

  std::uint64_t drawnChanges_ = ~std::uint64_t{0};
  std::chrono::steady_clock::time_point lastDraw_{};
  int callsBeforeClock_ = 0;
};

// Standard input read a buffer at a time, for the backends that take the
// answers from it.
class StandardInputBuffer {
 public:
  bool empty() const { return position_ == length_; }
  // The next byte; when none is left, one read first: Terminal::kEndOfInput
  // at the end of input, Terminal::kInputFailed with *reason.
  int Next(std::string* reason) {
    if (empty()) {
      long got = ReadStandardInput(bytes_, sizeof bytes_, reason);
      if (got < 0) return Terminal::kInputFailed;
      if (got == 0) return Terminal::kEndOfInput;
      position_ = 0;
      length_ = static_cast<std::size_t>(got);
    }
    return bytes_[position_++];
  }

 private:
  std::uint8_t bytes_[4096];
  std::size_t position_ = 0;
  std::size_t length_ = 0;
};

// The last row holding a character other than a blank or byte 0; 0 when the
// screen is blank. A transcript ends there, and a live terminal puts the line
// that closes a run (a failure, a warning, the shell's prompt) below it.
inline int LastRowInUse(const Screen& screen) {
  for (int row = screen.height(); row >= 1; --row) {
    const std::uint8_t* characters = screen.RowCharacters(row);
    for (int column = 0; column < screen.width(); ++column) {
      if (characters[column] != ' ' && characters[column] != 0) return row;
    }
  }
  return 0;
}

inline int Terminal::ReadBufferedInput(StandardInputBuffer& input) {
  std::string reason;
  int byte = input.Next(&reason);
  if (byte == kInputFailed) Fail("cannot read standard input: " + reason);
  return byte;
}

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_TERMINAL_H_
