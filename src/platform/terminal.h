#ifndef TUNEWERK_PLATFORM_TERMINAL_H_
#define TUNEWERK_PLATFORM_TERMINAL_H_

#include <cstdint>

#include "app/screen.h"

namespace tunewerk {

// Where the screen is shown and answers are typed: a live terminal or
// console, a transcript written at exit, or an in-memory double.
class Terminal {
 public:
  virtual ~Terminal() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual std::uint8_t StartAttribute() const = 0;

  // The next typed byte, or -1 at the end of input.
  virtual int ReadInputByte() = 0;

  // Shows the screen. Unless `force`, a backend may skip it to keep pace.
  virtual void Refresh(const Screen& screen, bool force) = 0;

  // Called once at exit: the last picture, then the terminal as it was.
  virtual void Finish(const Screen& screen) = 0;
};

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_TERMINAL_H_
