#include "platform/transcript.h"

namespace tunewerk {

namespace {

// Columns up to the last non-blank cell of a row.
int UsedColumns(const Screen& screen, int row) {
  int used = screen.width();
  while (used > 0 && screen.At(used, row).character == ' ') --used;
  return used;
}

}  // namespace

std::string RenderTranscript(const Screen& screen) {
  int lastRow = screen.height();
  while (lastRow > 0 && UsedColumns(screen, lastRow) == 0) --lastRow;
  std::string text;
  for (int row = 1; row <= lastRow; ++row) {
    int used = UsedColumns(screen, row);
    for (int column = 1; column <= used; ++column) {
      text.push_back(static_cast<char>(screen.At(column, row).character));
    }
    text.push_back('\n');
  }
  return text;
}

int TranscriptTerminal::ReadInputByte() {
  int c = std::getc(input_);
  return c == EOF ? -1 : c;
}

void TranscriptTerminal::Finish(const Screen& screen) {
  std::string text = RenderTranscript(screen);
  std::fwrite(text.data(), 1, text.size(), output_);
  std::fflush(output_);
}

}  // namespace tunewerk
