#ifndef TUNEWERK_TESTS_SUPPORT_MEMORY_TERMINAL_H_
#define TUNEWERK_TESTS_SUPPORT_MEMORY_TERMINAL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "model/screen.h"
#include "platform/console_keys.h"
#include "platform/terminal.h"
#include "platform/transcript.h"

namespace tunewerk {

// A terminal in memory: answers from a string, the transcript kept at Finish.
// The flags stand for a terminal at the keyboard, for the keys of a Windows
// console (each input byte one key press; Enter is CR), for failing streams,
// and `window` for the console window the run is shown in.
class MemoryTerminal : public Terminal {
 public:
  explicit MemoryTerminal(std::string input, int width = kTranscriptWidth,
                          int height = kTranscriptHeight)
      : input_(std::move(input)), width_(width), height_(height) {}

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::uint8_t StartAttribute() const override { return 0x07; }
  int ReadInputByte() override {
    if (consoleKeys) return ReadKey();
    if (position_ < input_.size()) return static_cast<unsigned char>(input_[position_++]);
    if (!inputFailsAtEnd) return kEndOfInput;
    Fail("cannot read standard input: Input/output error");
    return kInputFailed;
  }
  bool EndOfInputCancels() const override { return interactive || consoleKeys; }
  void Refresh(const Screen&, Redraw) override {}
  void Finish(const Screen& screen) override {
    transcript = RenderTranscript(screen);
    if (outputFails) Fail("cannot write to standard output: No space left on device");
  }
  ConsoleWindow Window() const override { return window; }
  void WaitForEnter(std::string_view prompt, int status) override {
    shownAfterRun += prompt;
    statusOnStop = status;
    int byte;
    while ((byte = ReadInputByte()) >= 0 && byte != '\n') {
    }
  }

  // The input not read yet.
  std::string Unread() const { return input_.substr(position_); }

  std::string transcript;
  bool interactive = false;
  bool inputFailsAtEnd = false;
  bool outputFails = false;
  bool consoleKeys = false;
  ConsoleWindow window;
  std::string shownAfterRun;
  int statusOnStop = -1;  // what a stop at the prompt would end with

 private:
  int ReadKey() {
    int byte;
    while ((byte = keys_.Next()) == ConsoleKeys::kNeedKey) {
      if (position_ == input_.size()) return kEndOfInput;
      keys_.Press(static_cast<unsigned char>(input_[position_++]), 1);
    }
    return byte;
  }

  std::string input_;
  std::size_t position_ = 0;
  ConsoleKeys keys_;
  int width_;
  int height_;
};

}  // namespace tunewerk

#endif  // TUNEWERK_TESTS_SUPPORT_MEMORY_TERMINAL_H_
