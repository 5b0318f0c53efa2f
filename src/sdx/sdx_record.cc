#include "sdx/sdx_record.h"

#include <algorithm>
#include <cstring>

#include "model/text_bytes.h"

namespace tunewerk {

namespace {

// Record positions (1-based) and lengths of the fields.
struct FieldSpan {
  std::size_t position;
  std::size_t length;
};
constexpr FieldSpan kTpName = {11, 14};
constexpr FieldSpan kRadioMarker = {29, 1};
constexpr FieldSpan kStreamType = {30, 4};
constexpr FieldSpan kFrequency = {34, 8};
constexpr FieldSpan kPolFlag = {43, 1};
constexpr FieldSpan kNameStart = {44, 8};
constexpr FieldSpan kOrbitalPos = {52, 3};
constexpr FieldSpan kProvider = {56, 8};
constexpr FieldSpan kSymbolRate = {70, 5};
constexpr FieldSpan kVideoPid = {76, 4};
constexpr FieldSpan kAudioPid = {80, 4};
constexpr FieldSpan kPcrPid = {84, 4};
constexpr FieldSpan kSid = {88, 5};
constexpr FieldSpan kTpCode = {98, 5};
constexpr FieldSpan kAudioTag = {103, 3};
constexpr FieldSpan kCaField = {112, 4};
constexpr FieldSpan kNameEnd = {116, 12};

// Only the bytes that exist; an empty field past the end still points into
// the record, so copying it never hands memcpy a null pointer.
std::string_view Field(std::string_view record, FieldSpan span) {
  if (span.position > record.size()) return record.substr(record.size());
  return record.substr(span.position - 1, span.length);
}

char Character(std::string_view record, FieldSpan span) {
  std::string_view text = Field(record, span);
  return text.empty() ? 0 : text[0];
}

std::uint16_t Unsigned16(std::string_view record, FieldSpan span) {
  std::uint32_t value = 0;
  ParseUnsigned(Field(record, span), &value);
  return static_cast<std::uint16_t>(value);
}

// The digit's value, or 99 when it is no digit at all.
unsigned DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return 99;
}

// The magnitude after the sign; *negative is set for a "-".
bool ParseMagnitude(std::string_view text, bool* negative, std::uint32_t* value) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  *negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) *negative = text[i++] == '-';
  unsigned base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == '%') {
    base = 2;
    ++i;
  }
  if (i == text.size()) return false;
  std::uint32_t result = 0;
  for (; i < text.size(); ++i) {
    unsigned digit = DigitValue(text[i]);
    if (digit >= base) return false;
    result = result * base + digit;
  }
  *value = result;
  return true;
}

constexpr std::size_t kBlock = kScanBlock;

std::uint8_t Lower(std::uint8_t a, std::uint8_t b) {
  return a < b ? a : b;
}

// Index of the first byte below 14 in text from `from` on, or text.size().
// One pass finds a record's CR (or LF) and tells whether anything else that
// moves the cursor comes before it. Four blocks are tested at once by their
// lowest bytes (vector minimums, one compare), as a record is about two such
// groups and the common case is that only its end holds a low byte.
std::size_t FirstControlByte(std::string_view text, std::size_t from) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  std::size_t size = text.size();
  std::size_t at = from;
  for (; at + 4 * kBlock <= size; at += 4 * kBlock) {
    const std::uint8_t* group = bytes + at;
    std::uint8_t low[kBlock];
    for (std::size_t i = 0; i < kBlock; ++i) {
      std::uint8_t lowest = Lower(Lower(group[i], group[kBlock + i]),
                                  Lower(group[2 * kBlock + i], group[3 * kBlock + i]));
      low[i] = lowest < kAboveControlBytes ? 0xff : 0;
    }
    std::uint64_t words[2];
    std::memcpy(words, low, kBlock);
    if ((words[0] | words[1]) == 0) continue;
    for (std::size_t block = 0;; block += kBlock) {
      std::size_t first = FirstControlByteInBlock(group + block);
      if (first < kBlock) return at + block + first;
    }
  }
  while (at < size && bytes[at] >= kAboveControlBytes) ++at;
  return at;
}

// Whether none of `count` bytes is below 14: the lowest byte of the whole
// blocks and of a last block that overlaps them, vector minimums and no
// branch until the end.
bool NoControlBytes(const std::uint8_t* bytes, std::size_t count) {
  std::uint8_t lowest = 0xff;
  if (count < kBlock) {
    for (std::size_t i = 0; i < count; ++i) lowest = Lower(lowest, bytes[i]);
    return lowest >= kAboveControlBytes;
  }
  std::size_t whole = count / kBlock * kBlock;
  for (std::size_t i = 0; i < whole; ++i) lowest = Lower(lowest, bytes[i]);
  const std::uint8_t* last = bytes + count - kBlock;
  for (std::size_t i = 0; i < kBlock; ++i) lowest = Lower(lowest, last[i]);
  return lowest >= kAboveControlBytes;
}

// A list's lines are mostly of one length. Where the next line has the last
// one's length (an LF, bytes from 14 up, a CR there), its end is known
// without a search, so that finding where the next record starts does not
// wait for the scan of this one.
std::size_t LineOfLastLength(std::string_view text, std::size_t length) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  if (length < 2 || length > text.size() || bytes[0] != kLineFeed ||
      bytes[length - 1] != kCarriageReturn || !NoControlBytes(bytes + 1, length - 2)) {
    return 0;
  }
  return length;
}

// A list read as CR LF although its lines end in a bare LF: the record ends
// at a CR as usual, or before an LF with a CR put in its place. The LF then
// starts the next record, where it follows that CR and is kept as text.
void ReadBareLineFeedRecord(InputFile& file, bool lineFeedIsText, SdxRecord* record) {
  for (;;) {
    std::string_view bytes = file.Buffered();
    if (bytes.empty()) return;
    std::size_t from = lineFeedIsText && record->length == 0 && bytes[0] == kLineFeed ? 1 : 0;
    std::string_view rest = bytes.substr(from);
    // The LF first: the CR and 26 searches then stop at the line's end.
    std::size_t end = std::min(rest.find(static_cast<char>(kLineFeed)), rest.size());
    const void* cr = std::memchr(rest.data(), kCarriageReturn, end);
    if (cr) end = static_cast<std::size_t>(static_cast<const char*>(cr) - rest.data());
    const void* ctrlZ = std::memchr(rest.data(), kEndOfFileByte, end);
    if (ctrlZ) end = static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - rest.data());
    if (end == rest.size()) {
      record->Append(bytes);
      file.Consume(bytes.size());
      continue;
    }
    std::uint8_t stop = static_cast<std::uint8_t>(rest[end]);
    std::size_t taken = from + end + (stop == kCarriageReturn ? 1 : 0);
    record->Append(bytes.substr(0, taken));
    file.Consume(taken);
    if (stop == kLineFeed) record->Append("\r");
    return;
  }
}

// Takes the buffered bytes up to and including a CR, or up to a byte 26, in
// runs; the record keeps its first 128 bytes.
void AssembleRecord(InputFile& file, SdxLineEnds& lineEnds, SdxRecord* record) {
  record->Clear();
  using Kind = SdxLineEnds::Kind;
  while (lineEnds.kind != Kind::kBareLineFeeds) {
    std::string_view bytes = file.Buffered();
    if (bytes.empty()) break;
    const void* cr = std::memchr(bytes.data(), kCarriageReturn, bytes.size());
    std::size_t runLength = cr ? static_cast<const char*>(cr) - bytes.data() + 1 : bytes.size();
    const void* ctrlZ = std::memchr(bytes.data(), kEndOfFileByte, runLength);
    if (ctrlZ) runLength = static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - bytes.data());
    if (lineEnds.kind == Kind::kUnknown) {
      // Until the first line end: the list's first line decides how it is read.
      if (std::memchr(bytes.data(), kLineFeed, runLength)) {
        lineEnds.kind = Kind::kBareLineFeeds;
        break;
      }
      if (cr && !ctrlZ) lineEnds.kind = Kind::kCarriageReturns;
    }
    record->Append(bytes.substr(0, runLength));
    file.Consume(runLength);
    if (cr || ctrlZ) break;
  }
  if (lineEnds.kind == Kind::kBareLineFeeds) {
    ReadBareLineFeedRecord(file, lineEnds.afterFirstRecord, record);
  }
  lineEnds.afterFirstRecord = true;
  // A record holds at least the one byte read at its start: 26 at the end of
  // the input, 0 in the error state.
  if (record->length == 0) {
    record->bytes[0] = static_cast<char>(file.ReadTextByte());
    record->length = 1;
  }
}

// The common record of a bare-LF list: its line whole in the buffer, no CR
// of its own. A line of at most 127 bytes before its LF is copied once with
// the CR put in place of the LF; a longer one is cut within its first 128
// bytes, so it is used in place. An empty result sends every other record the
// slow way.
std::string_view TakeBareLineFeedRecord(InputFile& file, SdxLineEnds& lineEnds, SdxRecord* record) {
  std::string_view text = file.BufferedText();
  std::size_t from = lineEnds.afterFirstRecord && !text.empty() && text[0] == kLineFeed ? 1 : 0;
  if (from >= text.size()) return {};
  std::size_t low = FirstControlByte(text, from);
  std::size_t end = low;
  if (low == text.size() || text[low] != static_cast<char>(kLineFeed)) {
    // Another byte below 14 first: the line's end is further on.
    const void* lf = std::memchr(text.data() + low, kLineFeed, text.size() - low);
    if (!lf) return {};
    end = static_cast<std::size_t>(static_cast<const char*>(lf) - text.data());
    if (std::memchr(text.data() + low, kCarriageReturn, end - low)) return {};
  }
  lineEnds.plainRecord = from == 1 && (low == end || low >= kSdxRecordLength);
  file.Consume(end);
  // Room for the CR: at most 127 bytes before the LF.
  if (end >= kSdxRecordLength) return text.substr(0, kSdxRecordLength);
  record->Assign(text.substr(0, end));
  record->bytes[record->length++] = static_cast<char>(kCarriageReturn);
  return record->view();
}

}  // namespace

// The common record of a CR list, whole in the buffer with no byte 26 before
// its CR, is taken in place: no copy, one scan for its end, or none where it
// has the length the last line had. A line too long
// for a record is cut there too, its first 128 bytes used and the rest up to
// its CR passed over. Others are put together in *record from runs of
// buffered bytes; a bare-LF list has its own quick way for whole lines.
std::string_view ReadSdxRecord(InputFile& file, SdxLineEnds& lineEnds, SdxRecord* record) {
  using Kind = SdxLineEnds::Kind;
  std::string_view text = file.BufferedText();
  if (lineEnds.kind == Kind::kCarriageReturns) {
    std::size_t length = LineOfLastLength(text, lineEnds.lastLength);
    if (length > 0) {
      lineEnds.plainRecord = true;
      file.Consume(length);
      return text.substr(0, std::min(length, kSdxRecordLength));
    }
  }
  if (lineEnds.kind != Kind::kBareLineFeeds && !text.empty()) {
    std::size_t from = text[0] == kLineFeed ? 1 : 0;
    std::size_t low = FirstControlByte(text, from);
    const char* cr = text.data() + low;
    if (low == text.size() || text[low] != static_cast<char>(kCarriageReturn)) {
      cr = static_cast<const char*>(std::memchr(cr, kCarriageReturn, text.size() - low));
    }
    if (cr) {
      std::size_t length = static_cast<std::size_t>(cr - text.data()) + 1;
      // A first line with an LF before its CR makes a bare-LF list.
      bool settled =
          lineEnds.kind == Kind::kCarriageReturns || !std::memchr(text.data(), kLineFeed, length);
      if (settled) {
        lineEnds.kind = Kind::kCarriageReturns;
        lineEnds.afterFirstRecord = true;
        lineEnds.plainRecord = from == 1 && (low + 1 == length || low >= kSdxRecordLength);
        lineEnds.lastLength = length;
        file.Consume(length);
        return text.substr(0, std::min(length, kSdxRecordLength));
      }
    }
  }
  if (lineEnds.kind == Kind::kBareLineFeeds) {
    std::string_view taken = TakeBareLineFeedRecord(file, lineEnds, record);
    if (!taken.empty()) {
      lineEnds.afterFirstRecord = true;
      return taken;
    }
  }
  lineEnds.plainRecord = false;
  AssembleRecord(file, lineEnds, record);
  return record->view();
}

std::string_view StreamTypeOf(std::string_view record) {
  return Field(record, kStreamType);
}

void ExtractFields(const SdxRecord& record, SdxFields* fields) {
  std::string_view r = record.view();
  fields->tpName = Field(r, kTpName);
  fields->radioMarker = Character(r, kRadioMarker);
  fields->streamType = Field(r, kStreamType);
  ParseSigned(Field(r, kFrequency), &fields->frequency);
  fields->polFlag = Character(r, kPolFlag);
  fields->programmeName.Assign(Field(r, kNameStart));
  fields->programmeName.Append(Field(r, kNameEnd));
  fields->orbitalPos = Unsigned16(r, kOrbitalPos);
  fields->provider = Field(r, kProvider);
  std::int32_t symbolRate = 0;
  ParseSigned(Field(r, kSymbolRate), &symbolRate);
  fields->symbolRate = static_cast<std::uint16_t>(symbolRate);
  fields->videoPid = Unsigned16(r, kVideoPid);
  std::uint32_t audioPid = 0;
  fields->audioPidOk = ParseUnsigned(Field(r, kAudioPid), &audioPid);
  fields->audioPid = static_cast<std::uint16_t>(audioPid);
  fields->pcrPid = Unsigned16(r, kPcrPid);
  fields->sid = Unsigned16(r, kSid);
  fields->tpCode = Unsigned16(r, kTpCode);
  fields->audioTag = Field(r, kAudioTag);
  fields->caField = Field(r, kCaField);
}

bool ParseUnsigned(std::string_view text, std::uint32_t* value) {
  bool negative = false;
  *value = 0;
  std::uint32_t magnitude = 0;
  if (!ParseMagnitude(text, &negative, &magnitude) || negative) return false;
  *value = magnitude;
  return true;
}

bool ParseSigned(std::string_view text, std::int32_t* value) {
  bool negative = false;
  *value = 0;
  std::uint32_t magnitude = 0;
  if (!ParseMagnitude(text, &negative, &magnitude)) return false;
  // Unsigned negation wraps instead of overflowing.
  *value = static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
  return true;
}

}  // namespace tunewerk
