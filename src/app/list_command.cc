#include "app/list_command.h"

#include <memory>
#include <optional>
#include <span>

#include "drc/receiver_file.h"
#include "io/file_error_state.h"
#include "io/files.h"
#include "model/channel_tables.h"
#include "model/text_bytes.h"
#include "report/listing.h"

namespace tunewerk {

namespace {

// Room for the whole file and one byte more, so that a longer file shows.
constexpr std::size_t kReadCapacity = kReceiverFileSize + 1;

// Everything a listing holds, allocated once.
struct ListState {
  std::uint8_t bytes[kReadCapacity];
  ChannelTables tables;
};

// Reads the whole file into `bytes`; *size is the file's full size, also
// when it is larger than the buffer. False with the system's words.
bool ReadWhole(ReadableFile& file, std::span<std::uint8_t> bytes, std::size_t* size,
               std::string* reason) {
  std::uint8_t overflow[1 << 12];
  *size = 0;
  for (;;) {
    bool inBuffer = *size < bytes.size();
    std::uint8_t* into = inBuffer ? bytes.data() + *size : overflow;
    std::size_t room = inBuffer ? bytes.size() - *size : sizeof overflow;
    std::size_t got = 0;
    if (!file.Read(into, room, &got, reason)) return false;
    if (got == 0) return true;
    *size += got;
  }
}

void WriteListing(const ChannelTables& tables, OutputFile& out) {
  for (int i = 0; i < tables.transponderCount; ++i) {
    WriteTransponderLine(out, i, tables.transponders[i]);
  }
  for (int p = 1; p <= tables.programmeCount; ++p) {
    WriteProgrammeLine(out, p, tables.programmes[p]);
  }
  WriteListingCounts(out, tables.programmeCount, tables.tvProgrammeCount,
                     tables.radioProgrammeCount);
}

}  // namespace

int ListReceiverFile(ReadableFile& file, const std::string& shown,
                     std::unique_ptr<WritableFile> out, std::string* errorLine) {
  // A file too large is told by its size alone, not read to its end.
  std::optional<std::uint64_t> known = file.Size();
  if (known && *known > kReceiverFileSize) {
    *errorLine = "tunewerk: " + shown + " is not a receiver channel file: it has " +
                 ByteCount(*known) + ", not " + GroupedNumber(kReceiverFileSize) + "\n";
    return 1;
  }
  auto state = std::make_unique<ListState>();
  std::size_t size = 0;
  std::string reason;
  if (!ReadWhole(file, state->bytes, &size, &reason)) {
    *errorLine = "tunewerk: cannot read " + shown + ": " + reason + "\n";
    return 1;
  }
  std::span<const std::uint8_t> bytes(state->bytes, size < kReadCapacity ? size : kReadCapacity);
  if (!DecodeReceiverFile(bytes, state->tables, &reason)) {
    if (size > kReceiverFileSize) {
      reason = "it has " + ByteCount(size) + ", not " + GroupedNumber(kReceiverFileSize);
    }
    *errorLine = "tunewerk: " + shown + " is not a receiver channel file: " + reason + "\n";
    return 1;
  }

  FileErrorState outState;
  auto listing = std::make_unique<OutputFile>(outState);
  listing->Attach(std::move(out), "to standard output");  // "cannot write to standard output"
  listing->SetLineEnd("\n");
  listing->WriteTextAsGlyphs();
  WriteListing(state->tables, *listing);
  listing->Close();
  if (!outState.failed()) return 0;
  *errorLine = "tunewerk: " + outState.message() + "\n";
  return 1;
}

}  // namespace tunewerk
