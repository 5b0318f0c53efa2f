#include "platform/transcript.h"

#include "platform/cp437.h"
#include "platform/standard_streams.h"

namespace tunewerk {

namespace {

// A row's glyphs; byte 0 shows as a blank too, so trailing blanks are cut
// after the mapping.
std::string RowGlyphs(const Screen& screen, int row) {
  std::string text;
  for (int column = 1; column <= screen.width(); ++column) {
    AppendCp437Glyph(screen.At(column, row).character, &text);
  }
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

}  // namespace

std::string RenderTranscript(const Screen& screen) {
  std::string text;
  std::size_t used = 0;  // up to the end of the last row that is not blank
  for (int row = 1; row <= screen.height(); ++row) {
    std::string glyphs = RowGlyphs(screen, row);
    text += glyphs;
    text.push_back('\n');
    if (!glyphs.empty()) used = text.size();
  }
  text.resize(used);
  return text;
}

TranscriptTerminal::TranscriptTerminal() : interactive_(StandardInputIsInteractive()) {}

int TranscriptTerminal::ReadInputByte() {
  return ReadBufferedInput(input_);
}

void TranscriptTerminal::Finish(const Screen& screen) {
  std::string reason;
  if (!WriteStandardOutput(RenderTranscript(screen), &reason)) {
    Fail("cannot write to standard output: " + reason);
  }
}

}  // namespace tunewerk
