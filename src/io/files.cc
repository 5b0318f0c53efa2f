#include "io/files.h"

#include <algorithm>
#include <cstring>

#include "io/output_set.h"
#include "platform/cp437.h"

namespace tunewerk {

void InputFile::Open(std::string_view name) {
  shown_ = drive_.ShownName(name);
  if (state_.failed()) return;
  std::string reason;
  if (!drive_.OpenExisting(name, &file_, &shown_, &reason)) {
    state_.Enter("cannot open " + shown_ + ": " + reason);
    openFailed_ = true;
    return;
  }
  open_ = true;
  atPhysicalEnd_ = false;
  position_ = length_ = textEnd_ = 0;
}

void InputFile::Close() {
  if (state_.failed()) return;
  file_.reset();
  open_ = false;
}

bool InputFile::Fill() {
  if (position_ < length_) return true;
  if (!open_ || atPhysicalEnd_ || state_.failed()) return false;
  std::string reason;
  std::size_t got = 0;
  if (!file_->Read(buffer_, sizeof buffer_, &got, &reason)) {
    state_.Enter("cannot read " + shown_ + ": " + reason);
    return false;
  }
  position_ = 0;
  length_ = got;
  textEnd_ = FindTextEnd(0);
  atPhysicalEnd_ = got == 0;
  return got != 0;
}

std::uint8_t InputFile::ReadByte() {
  if (state_.failed()) return 0;
  if (!Fill()) return state_.failed() ? 0 : kEndOfFileByte;
  return buffer_[position_++];
}

std::uint8_t InputFile::ReadTextByte() {
  if (state_.failed()) return 0;
  if (!Fill()) return state_.failed() ? 0 : kEndOfFileByte;
  std::uint8_t byte = buffer_[position_];
  if (byte != kEndOfFileByte) ++position_;
  return byte;
}

std::size_t InputFile::FindTextEnd(std::size_t from) const {
  if (from >= length_) return length_;
  const void* ctrlZ = std::memchr(buffer_ + from, kEndOfFileByte, length_ - from);
  return ctrlZ ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(ctrlZ) - buffer_)
               : length_;
}

bool InputFile::AtTextEndAfterFill() {
  if (state_.failed()) return true;
  if (!Fill()) return true;
  return buffer_[position_] == kEndOfFileByte;
}

std::string_view InputFile::BufferedAfterFill() {
  if (state_.failed() || !Fill()) return {};
  return BufferedBytes();
}

void OutputFile::Create(std::string_view name) {
  name_ = std::string(name);
  shown_ = drive_->ShownName(name);
  if (state_.failed()) return;
  std::string reason;
  if (!CreateTemporary(*drive_, *stops_, name, &file_, &reason)) {
    Fail("cannot create ", reason);
    return;
  }
  open_ = true;
  created_ = true;
  used_ = 0;
}

void OutputFile::Attach(std::unique_ptr<WritableFile> stream, std::string shown) {
  shown_ = std::move(shown);
  if (state_.failed()) return;
  file_ = std::move(stream);
  open_ = true;
  used_ = 0;
}

void OutputFile::Write(std::string_view bytes) {
  if (!glyphs_) return WriteRaw(bytes);
  for (char byte : bytes) {
    glyph_.clear();
    AppendCp437Glyph(static_cast<std::uint8_t>(byte), &glyph_);
    WriteRaw(glyph_);
  }
}

void OutputFile::WriteRaw(std::string_view bytes) {
  while (!bytes.empty()) {
    if (!Writable()) return;
    if (used_ == sizeof buffer_) Flush();
    std::size_t n = std::min(bytes.size(), sizeof buffer_ - used_);
    std::memcpy(buffer_ + used_, bytes.data(), n);
    used_ += n;
    bytes.remove_prefix(n);
  }
}

void OutputFile::WriteRepeated(std::uint8_t byte, std::size_t count) {
  if (glyphs_) {
    for (; count > 0; --count) Write(std::string_view(reinterpret_cast<const char*>(&byte), 1));
    return;
  }
  while (count > 0) {
    if (!Writable()) return;
    if (used_ == sizeof buffer_) Flush();
    std::size_t n = std::min(count, sizeof buffer_ - used_);
    std::memset(buffer_ + used_, byte, n);
    used_ += n;
    count -= n;
  }
}

void OutputFile::WriteLine(std::string_view text) {
  Write(text);
  WriteRaw(lineEnd_);
}

void OutputFile::Flush() {
  std::string reason;
  if (used_ > 0 && !file_->Write(buffer_, used_, &reason)) Fail("cannot write ", reason);
  used_ = 0;
}

void OutputFile::Close() {
  if (!Writable()) return;
  Flush();
  if (state_.failed()) return;
  open_ = false;
  std::string reason;
  if (!file_->Close(&reason)) Fail("cannot write ", reason);
  file_.reset();
}

void OutputFile::CheckReplaceable() {
  if (!created_ || state_.failed()) return;
  if (drive_->KindOf(name_) == EntryKind::kDirectory) Fail("cannot replace ", kIsDirectoryReason);
}

void OutputFile::Commit() {
  if (!created_ || state_.failed()) return;
  std::string reason;
  if (!drive_->Rename(TemporaryName(name_), name_, &reason)) {
    Fail("cannot replace ", reason);
    return;
  }
  created_ = false;
}

void OutputFile::Discard() {
  if (open_) {
    std::string ignored;
    file_->Close(&ignored);
    file_.reset();
    open_ = false;
  }
  if (created_) RemoveTemporary(*drive_, *stops_, name_);
  created_ = false;
}

void OutputFile::Fail(std::string_view what, const std::string& reason) {
  state_.Enter(std::string(what) + shown_ + ": " + reason);
}

}  // namespace tunewerk
