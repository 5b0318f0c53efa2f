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
  for (int row = 1, last = LastRowInUse(screen); row <= last; ++row) {
    text += RowGlyphs(screen, row);
    text.push_back('\n');
  }
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
