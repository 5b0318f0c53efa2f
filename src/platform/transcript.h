#ifndef TUNEWERK_PLATFORM_TRANSCRIPT_H_
#define TUNEWERK_PLATFORM_TRANSCRIPT_H_

#include <cstddef>
#include <cstdio>
#include <string>

#include "app/screen.h"
#include "platform/terminal.h"

namespace tunewerk {

constexpr int kTranscriptWidth = 80;
constexpr int kTranscriptHeight = 25;

// Rows 1 to the last row holding a non-blank cell, each as its raw cell bytes
// without trailing blanks (byte 32), each followed by LF. Empty when the whole
// screen is blank.
std::string RenderTranscript(const Screen& screen);

// Standard output is not a terminal: an 80 x 25 screen, nothing written during
// the run, the transcript at exit. Answers come from standard input.
class TranscriptTerminal : public Terminal {
 public:
  TranscriptTerminal(std::FILE* input, std::FILE* output) : input_(input), output_(output) {}

  int Width() const override { return kTranscriptWidth; }
  int Height() const override { return kTranscriptHeight; }
  std::uint8_t StartAttribute() const override { return 0x07; }
  int ReadInputByte() override;
  void Refresh(const Screen&, bool) override {}
  void Finish(const Screen& screen) override;

 private:
  std::FILE* input_;
  std::FILE* output_;
};

// A terminal in memory: answers from a string, the transcript kept at Finish.
class MemoryTerminal : public Terminal {
 public:
  explicit MemoryTerminal(std::string input, int width = kTranscriptWidth,
                          int height = kTranscriptHeight)
      : input_(std::move(input)), width_(width), height_(height) {}

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::uint8_t StartAttribute() const override { return 0x07; }
  int ReadInputByte() override {
    return position_ < input_.size() ? static_cast<unsigned char>(input_[position_++]) : -1;
  }
  void Refresh(const Screen&, bool) override {}
  void Finish(const Screen& screen) override { transcript = RenderTranscript(screen); }

  std::string transcript;

 private:
  std::string input_;
  std::size_t position_ = 0;
  int width_;
  int height_;
};

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_TRANSCRIPT_H_
