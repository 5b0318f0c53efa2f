#include "drc/receiver_tables.h"

#include <memory>
#include <optional>
#include <span>

#include "model/text_bytes.h"

namespace tunewerk {

namespace {

// Reads the whole file into the image; image.size counts every byte, also
// those beyond the buffer. False with the system's words.
bool ReadWhole(ReadableFile& file, ReceiverFileImage& image, std::string* reason) {
  std::uint8_t overflow[1 << 12];
  image.size = 0;
  for (;;) {
    bool inBuffer = image.size < sizeof image.bytes;
    std::uint8_t* into = inBuffer ? image.bytes + image.size : overflow;
    std::size_t room = inBuffer ? sizeof image.bytes - image.size : sizeof overflow;
    std::size_t got = 0;
    if (!file.Read(into, room, &got, reason)) return false;
    if (got == 0) return true;
    image.size += got;
  }
}

std::string WrongSize(std::uint64_t size) {
  return "it has " + ByteCount(size) + ", not " + GroupedNumber(kReceiverFileSize);
}

// The size a file with tables has at least: the table without its last byte.
constexpr std::size_t kShortestWithTables = kReceiverFileSize - 1;

}  // namespace

TablesRead ReadReceiverTables(ReadableFile& file, bool shortHoldsNoTables, ReceiverFileImage& image,
                              ChannelTables& tables, std::string* problem) {
  // A file too large is told by its size alone, not read to its end.
  std::optional<std::uint64_t> known = file.Size();
  if (known && *known > kReceiverFileSize) {
    image.size = static_cast<std::size_t>(*known);
    *problem = WrongSize(*known);
    return TablesRead::kNotReceiverFile;
  }
  if (!ReadWhole(file, image, problem)) return TablesRead::kCannotRead;
  if (image.size > kReceiverFileSize) {
    *problem = WrongSize(image.size);
    return TablesRead::kNotReceiverFile;
  }
  if (shortHoldsNoTables && image.size < kShortestWithTables) return TablesRead::kNoTables;
  if (!DecodeReceiverFile(std::span<const std::uint8_t>(image.bytes, image.size), tables,
                          problem)) {
    return TablesRead::kNotReceiverFile;
  }
  return TablesRead::kTables;
}

void ReadOldReceiverTables(Drive& drive, std::string_view name, std::string_view purpose,
                           FileErrorState& state, ReceiverFileImage& image, ChannelTables& tables) {
  if (state.failed()) return;
  std::unique_ptr<ReadableFile> file;
  std::string shown, problem;
  if (!drive.OpenExisting(name, &file, &shown, &problem)) {
    state.Enter("cannot open " + shown + ": " + problem);
    return;
  }
  switch (ReadReceiverTables(*file, true, image, tables, &problem)) {
    case TablesRead::kTables:
    case TablesRead::kNoTables:
      return;
    case TablesRead::kCannotRead:
      state.Enter("cannot read " + shown + ": " + problem);
      return;
    case TablesRead::kNotReceiverFile:
      state.Enter(std::string(purpose) + ": " + shown +
                  " is not a receiver channel file: " + problem);
      return;
  }
}

}  // namespace tunewerk
