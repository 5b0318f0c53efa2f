// The terminal on the web: the page's console, or under the node runner the
// terminal it was started on; the transcript when standard output is neither.
// Drawing and input are the host's; reading waits without blocking the page.
#include <errno.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/cp437.h"
#include "platform/posix/names_posix.h"
#include "platform/standard_streams.h"
#include "platform/system.h"
#include "platform/transcript.h"
#include "platform/web/host.h"

namespace tunewerk {

namespace {

class WebTerminal : public Terminal {
 public:
  WebTerminal(int columns, int rows) : columns_(columns), rows_(rows) {
    attributes_.resize(static_cast<std::size_t>(columns) * rows);
  }

  int Width() const override { return columns_; }
  int Height() const override { return rows_; }
  std::uint8_t StartAttribute() const override { return 0x07; }
  bool EndOfInputCancels() const override { return StandardInputIsInteractive(); }
  int ReadInputByte() override { return ReadBufferedInput(input_); }

  void Refresh(const Screen& screen, Redraw when) override {
    if (pacer_.Due(screen, when)) Draw(screen);
  }
  bool RedrawDue() override { return pacer_.DueAfterChange(); }

  void Finish(const Screen& screen) override {
    Draw(screen);
    tunewerk_host_finish();
  }

 private:
  void Draw(const Screen& screen) {
    glyphs_.clear();
    for (int row = 1; row <= rows_; ++row) {
      const std::uint8_t* characters = screen.RowCharacters(row);
      const std::uint8_t* attributes = screen.RowAttributes(row);
      for (int column = 0; column < columns_; ++column) {
        AppendCp437Glyph(characters[column], &glyphs_);
        attributes_[static_cast<std::size_t>(row - 1) * columns_ + column] = attributes[column];
      }
    }
    tunewerk_host_draw(glyphs_.c_str(), attributes_.data(), columns_, rows_, screen.cursorColumn(),
                       screen.cursorRow());
  }

  int columns_;
  int rows_;
  std::string glyphs_;
  std::vector<std::uint8_t> attributes_;
  RedrawPacer pacer_;
  StandardInputBuffer input_;
};

}  // namespace

void PrepareStandardStreams() {}

long ReadStandardInput(std::uint8_t* buffer, std::size_t capacity, std::string* reason) {
  int got = tunewerk_host_read(buffer, capacity);
  if (got < 0) *reason = PosixReason(EIO);
  return got;
}

bool WriteStandardOutput(std::string_view bytes, std::string* reason) {
  int error =
      tunewerk_host_write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  if (error == 0) return true;
  *reason = PosixReason(error == 1 ? EPIPE : EIO);
  return false;
}

bool StandardInputIsInteractive() {
  return tunewerk_host_interactive() != 0;
}

std::unique_ptr<Terminal> MakeSystemTerminal() {
  int columns = 0, rows = 0;
  if (tunewerk_host_screen(&columns, &rows) != 0 && columns > 0 && rows > 0) {
    return std::make_unique<WebTerminal>(std::min(columns, kLargestScreenSide),
                                         std::min(rows, kLargestScreenSide));
  }
  return std::make_unique<TranscriptTerminal>();
}

// The page and the node runner's terminal stay when the run ends.
ConsoleWindow SystemConsoleWindow() {
  return {};
}

}  // namespace tunewerk
