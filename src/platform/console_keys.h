#ifndef TUNEWERK_PLATFORM_CONSOLE_KEYS_H_
#define TUNEWERK_PLATFORM_CONSOLE_KEYS_H_

#include <cstdint>

#include "platform/terminal.h"

namespace tunewerk {

// Key presses on the Windows console turned into the bytes of typed lines.
// Enter gives LF; keys without a character (shift, arrows) give nothing.
// Ctrl-Z ends the input once Enter follows it, as at a Windows command
// prompt; keys between the two are dropped.
class ConsoleKeys {
 public:
  static constexpr int kNeedKey = -3;

  // One key press: its character (0 for none), repeated `repeat` times.
  // Only called once Next has said kNeedKey.
  void Press(std::uint8_t character, int repeat) {
    if (character == 0) return;
    if (endTyped_) {
      if (character == '\r') ended_ = true;
      return;
    }
    if (character == kCtrlZ) {
      endTyped_ = true;
      return;
    }
    byte_ = character == '\r' ? '\n' : character;
    left_ = repeat > 1 ? repeat : 1;
  }

  // The next typed byte, Terminal::kEndOfInput for Ctrl-Z and Enter, or
  // kNeedKey when the presses taken are used up.
  int Next() {
    if (ended_) {
      ended_ = endTyped_ = false;
      return Terminal::kEndOfInput;
    }
    if (left_ == 0) return kNeedKey;
    --left_;
    return byte_;
  }

  // Forgets what was pressed and not yet taken.
  void Clear() { *this = ConsoleKeys(); }

 private:
  static constexpr std::uint8_t kCtrlZ = 0x1A;

  std::uint8_t byte_ = 0;
  int left_ = 0;
  bool endTyped_ = false;
  bool ended_ = false;
};

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_CONSOLE_KEYS_H_
