#ifndef TUNEWERK_SDX_SDX_RECORD_H_
#define TUNEWERK_SDX_SDX_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "io/files.h"
#include "model/bounded_string.h"

namespace tunewerk {

constexpr std::size_t kSdxRecordLength = 128;
constexpr std::size_t kProgrammeNameLength = 8 + 12;

// One record: the bytes after the previous record's CR up to and including
// its own CR, at most 128 of them. The LF that follows a CR starts the next
// record, so on every line but the first, record position p holds text
// column p-1.
using SdxRecord = BoundedString<kSdxRecordLength>;

// The values of one record the import uses. Text fields view into the
// record and are shorter (or empty) where the record ends early; numbers
// that fail to convert are 0.
struct SdxFields {
  std::string_view tpName;
  char radioMarker = 0;  // 'R' for radio; 0 when the record is too short
  std::string_view streamType;
  std::int32_t frequency = 0;  // units of 10 kHz
  char polFlag = 0;            // '1' adds 1 to the polarisation/band code
  BoundedString<kProgrammeNameLength> programmeName;
  std::uint16_t orbitalPos = 0;
  std::string_view provider;
  std::uint16_t symbolRate = 0;  // low 16 bits of a signed number
  std::uint16_t videoPid = 0;
  std::uint16_t audioPid = 0;
  bool audioPidOk = false;
  std::uint16_t pcrPid = 0;
  std::uint16_t sid = 0;
  std::uint16_t tpCode = 0;
  std::string_view audioTag;
  std::string_view caField;
};

// How the list ends its lines, settled at its first line end. A list whose
// first line end is a bare LF (converted on download or unpacking) is read as
// its CR LF original: every LF not preceded by CR is read as CR LF.
struct SdxLineEnds {
  enum class Kind : std::uint8_t { kUnknown, kCarriageReturns, kBareLineFeeds };
  Kind kind = Kind::kUnknown;
  bool afterFirstRecord = false;  // the next record follows a CR
  // The record just read is a plain line: its LF, then bytes from 14 up only,
  // then its CR or the cut at 128 bytes. False where the reader did not find
  // out (records put together in *record), so that the echo looks itself.
  bool plainRecord = false;
  std::size_t lastLength = 0;  // of the last line found by a search, CR included
};

// Reads the next record and returns its bytes: in place in the file's buffer
// (valid until the file is read again) where its line, however long, lies
// whole in it; otherwise, and where a bare-LF line gains its CR, as put
// together in *record. A read at the end of the file or at a byte 26 yields
// 26; the record then ends. `lineEnds` starts fresh for each list and
// is kept from record to record.
std::string_view ReadSdxRecord(InputFile& file, SdxLineEnds& lineEnds, SdxRecord* record);

// True when no byte is left or the next byte is 26; consumes nothing.
inline bool SdxAtEnd(InputFile& file) {
  return file.AtTextEnd();
}

// Takes the fields from their record positions. REQUIRES: `record` outlives
// the text fields of *fields.
void ExtractFields(const SdxRecord& record, SdxFields* fields);

// The stream type field alone (as ExtractFields takes it), so that a record
// can be rejected on it before the other fields are converted.
std::string_view StreamTypeOf(std::string_view record);

// Number conversion of a field: blanks and tabs, one optional sign, "$" for
// hexadecimal or "%" for binary, then only digits of the base to the end of
// the text (a trailing blank fails). Returns false with *value 0 on failure;
// ParseUnsigned fails on a "-". Values wrap at 32 bits.
bool ParseUnsigned(std::string_view text, std::uint32_t* value);
bool ParseSigned(std::string_view text, std::int32_t* value);

}  // namespace tunewerk

#endif  // TUNEWERK_SDX_SDX_RECORD_H_
