#ifndef TUNEWERK_IO_FILES_H_
#define TUNEWERK_IO_FILES_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "io/file_error_state.h"
#include "model/text_bytes.h"
#include "platform/drive.h"
#include "platform/interrupt.h"

namespace tunewerk {

constexpr std::uint8_t kEndOfFileByte = 26;  // Ctrl-Z
constexpr std::size_t kInputBufferSize = std::size_t{1} << 18;

// A byte-stream input file of the run, read through a buffer. Every operation
// consults the run's file error state: while it is set, a byte read is 0 and
// the end tests answer true.
class InputFile {
 public:
  InputFile(Drive& drive, FileErrorState& state) : drive_(drive), state_(state) {}
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens an existing file; a failure enters the error state.
  void Open(std::string_view name);
  void Close();

  // The next byte; past the physical end it is 26 and no error.
  std::uint8_t ReadByte();
  // Text reading, where a byte 26 ends the file: at the end or at a 26 the
  // read yields 26 and does not advance.
  std::uint8_t ReadTextByte();
  // True at the physical end and when the next byte is 26.
  bool AtTextEnd() {
    if (position_ < length_ && !state_.failed()) return buffer_[position_] == kEndOfFileByte;
    return AtTextEndAfterFill();
  }
  // The buffered bytes from the read position on, refilling the buffer when
  // none are left; empty at the physical end and in the error state. Lets a
  // reader scan a run of bytes at once; Consume takes them.
  std::string_view Buffered() {
    if (position_ < length_ && !state_.failed()) return BufferedBytes();
    return BufferedAfterFill();
  }
  // Buffered() up to the first byte 26 in it: a text reader's bytes, found
  // with one scan per buffer fill rather than one per record.
  std::string_view BufferedText() {
    std::string_view bytes = Buffered();
    if (position_ > textEnd_) textEnd_ = FindTextEnd(position_);
    return bytes.substr(0, textEnd_ - position_);
  }
  // REQUIRES: count <= Buffered().size().
  void Consume(std::size_t count) { position_ += count; }

  // The name to tell the user (the name actually found when opened).
  const std::string& shownName() const { return shown_; }
  // True when Open was tried and failed.
  bool openFailed() const { return openFailed_; }
  FileErrorState& state() { return state_; }

 private:
  // Makes a byte available unless at the physical end; false at the end or on failure.
  bool Fill();
  // Index of the first byte 26 from `from` on in the buffer, or its length.
  std::size_t FindTextEnd(std::size_t from) const;
  bool AtTextEndAfterFill();
  std::string_view BufferedAfterFill();
  std::string_view BufferedBytes() const {
    return std::string_view(reinterpret_cast<const char*>(buffer_ + position_),
                            length_ - position_);
  }

  Drive& drive_;
  FileErrorState& state_;
  std::unique_ptr<ReadableFile> file_;
  std::string shown_;
  bool open_ = false;
  bool openFailed_ = false;
  bool atPhysicalEnd_ = false;
  std::size_t position_ = 0;
  std::size_t length_ = 0;
  std::size_t textEnd_ = 0;
  // Large reads: a long list costs fewer system calls per byte.
  std::uint8_t buffer_[kInputBufferSize];
};

// A byte-stream output file of the run, written through a buffer to a
// temporary that Commit renames into place. While the error state is set,
// create, writes and close do nothing; a failing write or close enters it.
// Without a drive it writes to a stream handed to Attach (standard output).
class OutputFile {
 public:
  OutputFile(Drive& drive, Stops& stops, FileErrorState& state)
      : drive_(&drive), stops_(&stops), state_(state) {}
  explicit OutputFile(FileErrorState& state) : drive_(nullptr), stops_(nullptr), state_(state) {}
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Create(std::string_view name);
  // Writes to an open stream, named `shown` in messages; nothing to commit.
  void Attach(std::unique_ptr<WritableFile> stream, std::string shown);
  // Text lines end with CR LF unless another line end is set here.
  void SetLineEnd(std::string_view lineEnd) { lineEnd_ = lineEnd; }
  // Text is written as the glyphs the console shows for its bytes, in UTF-8,
  // so that no byte of it acts as a control character where it is shown.
  // Line ends and PutByte stay raw.
  void WriteTextAsGlyphs() { glyphs_ = true; }
  void PutByte(std::uint8_t byte) {
    if (!Writable()) return;
    if (used_ == sizeof buffer_) Flush();
    buffer_[used_++] = byte;
  }
  void Write(std::string_view bytes);
  void WriteRepeated(std::uint8_t byte, std::size_t count);
  void WriteLine(std::string_view text);
  void Close();

  // Whether the temporary could replace the real file; a failure enters the
  // error state.
  void CheckReplaceable();
  // Renames the temporary into place; a failure enters the error state.
  void Commit();
  // Drops the temporary (a failed run leaves the real file as it was).
  void Discard();

 private:
  // Whether bytes may still go to the file: it is open and the run has not failed.
  bool Writable() const { return open_ && !state_.failed(); }
  // REQUIRES: Writable().
  void Flush();
  void WriteRaw(std::string_view bytes);
  void Fail(std::string_view what, const std::string& reason);

  Drive* drive_;
  Stops* stops_;
  FileErrorState& state_;
  std::unique_ptr<WritableFile> file_;
  std::string name_;
  std::string shown_;
  std::string_view lineEnd_ = kLineEnd;
  bool glyphs_ = false;
  std::string glyph_;
  bool open_ = false;
  bool created_ = false;
  std::size_t used_ = 0;
  std::uint8_t buffer_[1 << 16];
};

}  // namespace tunewerk

#endif  // TUNEWERK_IO_FILES_H_
