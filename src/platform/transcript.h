#ifndef TUNEWERK_PLATFORM_TRANSCRIPT_H_
#define TUNEWERK_PLATFORM_TRANSCRIPT_H_

#include <cstddef>
#include <cstdio>
#include <string>

#include "model/screen.h"
#include "platform/terminal.h"

namespace tunewerk {

constexpr int kTranscriptWidth = 80;
constexpr int kTranscriptHeight = 25;

// The screen as text, in UTF-8: each cell as the glyph the console shows for
// it (so no cell byte ever reaches the reader as a control character), rows 1
// to the last row that is not blank, each without trailing blanks and
// followed by LF. Empty when the whole screen is blank.
std::string RenderTranscript(const Screen& screen);

// Standard output is not a terminal: an 80 x 25 screen, nothing written during
// the run, the transcript at exit. Answers come from standard input.
class TranscriptTerminal : public Terminal {
 public:
  TranscriptTerminal();

  int Width() const override { return kTranscriptWidth; }
  int Height() const override { return kTranscriptHeight; }
  std::uint8_t StartAttribute() const override { return 0x07; }
  int ReadInputByte() override;
  bool EndOfInputCancels() const override { return interactive_; }
  void Refresh(const Screen&, Redraw) override {}
  void Finish(const Screen& screen) override;

 private:
  bool interactive_;
  StandardInputBuffer input_;
};

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_TRANSCRIPT_H_
