#include "drc/receiver_file.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "model/receiver_limits.h"
#include "model/text_bytes.h"

namespace tunewerk {

namespace {

constexpr std::uint32_t kLowBandOscillator = 975000;
constexpr std::uint32_t kHighBandOscillator = 1060000;
constexpr std::uint8_t kTransponderInUse = 1;
constexpr std::uint8_t kZero = 0;

std::uint16_t GetWord(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

std::uint32_t GetLong(const std::uint8_t* at) {
  return std::uint32_t{GetWord(at)} << 16 | GetWord(at + 2);
}

template <std::size_t kMax>
void GetText(const std::uint8_t* at, std::size_t width, BoundedString<kMax>& text) {
  text.Assign(std::string_view(reinterpret_cast<const char*>(at), width));
}

constexpr std::uint32_t kSymbolRateUnit = 100;  // the file holds symbols per 10 s

// False when the symbol rate does not fit the listing's 16-bit value.
bool DecodeTransponder(const std::uint8_t* record, TransponderEntry& transponder) {
  std::uint32_t symbolRate = GetLong(record + kTpSymbolRateOffset) / kSymbolRateUnit;
  if (symbolRate > 0xFFFF) return false;
  transponder.satNumber = record[kTpSatNumberOffset];
  transponder.polBand = record[kTpPolBandOffset];
  transponder.tpCode = GetWord(record + kTpCodeOffset);
  transponder.frequency = static_cast<std::int32_t>(GetLong(record + kTpFrequencyOffset));
  transponder.symbolRate = static_cast<std::uint16_t>(symbolRate);
  transponder.tvCount = record[kTpTvCountOffset];
  transponder.radioCount = record[kTpRadioCountOffset];
  GetText(record + kTpNameOffset, kTpNameWidth, transponder.tpName);
  return true;
}

void DecodeProgramme(const std::uint8_t* record, ProgrammeEntry& programme) {
  programme.tpIndex = GetWord(record + kProgTpIndexOffset);
  programme.sid = GetWord(record + kProgSidOffset);
  programme.scrambled = record[kProgScrambledOffset];
  programme.audioCount = record[kProgAudioCountOffset];
  programme.pcrPid = GetWord(record + kProgPcrPidOffset);
  programme.videoPid = GetWord(record + kProgVideoPidOffset);
  int streams = std::min<int>(programme.audioCount, kMaxAudioStreams);
  for (int k = 0; k < kMaxAudioStreams; ++k) {
    programme.audioPid[k] = GetWord(record + kProgAudioPidsOffset + 2 * k);
    programme.audioLang[k].Clear();
    if (k < streams)
      GetText(record + kProgAudioTagsOffset + kAudioTagSlotSize * k, kAudioLangWidth,
              programme.audioLang[k]);
  }
  GetText(record + kProgDisplayNameOffset, kDisplayNameWidth, programme.displayName);
}

std::string Offset(std::size_t offset) {
  return "at offset " + std::to_string(offset);
}

// A short text field (from a record cut short) is filled with blanks so that
// every record keeps its size and every later field its offset.
void WriteText(OutputFile& out, std::string_view text, std::size_t width) {
  out.Write(text);
  if (text.size() < width) out.WriteRepeated(kBlank, width - text.size());
}

}  // namespace

void WriteLowByte(OutputFile& out, std::uint32_t value) {
  out.PutByte(static_cast<std::uint8_t>(value));
}

void WriteBigEndianWord(OutputFile& out, std::uint32_t value) {
  out.PutByte(static_cast<std::uint8_t>(value >> 8));
  out.PutByte(static_cast<std::uint8_t>(value));
}

// A negative value (a malformed frequency) goes out as its low 32 bits in
// two's complement.
void WriteBigEndianLong(OutputFile& out, std::int64_t value) {
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  WriteBigEndianWord(out, bits >> 16);
  WriteBigEndianWord(out, bits & 0xFFFF);
}

// Byte for byte: CR, LF and 26 are not special here. The header is the
// receiver's own settings block: an old file that ends before it is complete
// fails the run rather than give the receiver a made-up one.
void CopyReceiverHeader(InputFile& oldFile, OutputFile& out) {
  std::size_t copied = 0;
  while (copied < kHeaderSize) {
    std::string_view bytes = oldFile.Buffered().substr(0, kHeaderSize - copied);
    if (bytes.empty()) break;
    out.Write(bytes);
    oldFile.Consume(bytes.size());
    copied += bytes.size();
  }
  if (copied == kHeaderSize || oldFile.state().failed()) return;
  oldFile.state().Enter("cannot copy the receiver's settings from " + oldFile.shownName() +
                        ": it has " + ByteCount(copied) + ", " +
                        GroupedNumber(kHeaderSize) + " are needed");
}

void WriteTransponderSectionStart(OutputFile& out, std::uint16_t transponderCount) {
  WriteBigEndianLong(out, kSectionMarker);    // kTransponderSectionMarker
  WriteBigEndianWord(out, transponderCount);  // kTransponderCountOffset
}

// The comment on each line is the field's offset within the record.
void WriteTransponderRecord(OutputFile& out, const TransponderEntry& transponder) {
  std::uint32_t oscillator =
      transponder.frequency > kHighBandStart ? kHighBandOscillator : kLowBandOscillator;
  std::int64_t symbolRate = std::int64_t{transponder.symbolRate} * kSymbolRateUnit;
  WriteLowByte(out, transponder.satNumber);                         // 0
  WriteLowByte(out, transponder.polBand);                           // 1
  WriteBigEndianWord(out, 0);                                       // 2
  WriteBigEndianWord(out, transponder.tpCode);                      // 4
  WriteBigEndianWord(out, 0);                                       // 6
  WriteBigEndianLong(out, oscillator);                              // 8
  WriteBigEndianLong(out, transponder.frequency);                   // 12
  WriteBigEndianLong(out, symbolRate);                              // 16
  WriteBigEndianLong(out, transponder.frequency);                   // 20
  WriteBigEndianLong(out, symbolRate);                              // 24
  WriteLowByte(out, transponder.radioCount + transponder.tvCount);  // 28, modulo 256
  WriteLowByte(out, transponder.tvCount);                           // 29
  WriteLowByte(out, transponder.radioCount);                        // 30
  WriteLowByte(out, kTransponderInUse);                             // 31
  WriteText(out, transponder.tpName.view(), kTpNameWidth);          // 32
}

void WriteEmptyTransponderSlots(OutputFile& out, std::uint16_t transponderCount) {
  if (transponderCount >= kTransponderSlots) return;
  out.WriteRepeated(kZero, (kTransponderSlots - transponderCount) * kTransponderRecordSize);
}

void WriteProgrammeSectionStart(OutputFile& out, const ChannelTables& tables) {
  WriteBigEndianLong(out, kSectionMarker);              // kProgrammeSectionMarker
  WriteBigEndianWord(out, tables.programmeCount);       // kProgrammeCountOffset
  WriteBigEndianWord(out, tables.tvProgrammeCount);     // kTvProgrammeCountOffset
  WriteBigEndianWord(out, tables.radioProgrammeCount);  // kRadioProgrammeCountOffset
}

// The comment on each line is the field's offset within the record.
void WriteProgrammeRecord(OutputFile& out, const ProgrammeEntry& programme) {
  int streams = std::min<int>(programme.audioCount, kMaxAudioStreams);
  WriteBigEndianWord(out, programme.tpIndex);   // 0
  WriteBigEndianWord(out, 0);                   // 2
  WriteBigEndianWord(out, programme.sid);       // 4
  WriteLowByte(out, programme.scrambled);       // 6
  WriteLowByte(out, 0);                         // 7
  WriteLowByte(out, programme.audioCount);      // 8
  WriteLowByte(out, 0);                         // 9
  WriteBigEndianWord(out, programme.pcrPid);    // 10
  WriteBigEndianWord(out, programme.videoPid);  // 12
  for (int k = 0; k < streams; ++k) {           // 14
    WriteBigEndianWord(out, programme.audioPid[k]);
  }
  out.WriteRepeated(kZero, (kAudioPidSlots - streams) * 2);
  WriteText(out, programme.displayName.view(), kDisplayNameWidth);  // 54
  for (int k = 0; k < streams; ++k) {                               // 74
    WriteText(out, programme.audioLang[k].view(), kAudioLangWidth);
    WriteText(out, programme.audioLang[k].view(), kAudioLangWidth);
  }
  out.WriteRepeated(kZero, (kMaxAudioStreams - streams) * kAudioTagSlotSize);
}

// The length comes from the count alone: the writer never measures the file.
void WriteZeroFill(OutputFile& out, std::uint16_t programmeCount) {
  std::size_t end = kProgrammeSectionStart + programmeCount * kProgrammeRecordSize;
  if (end < kReceiverFileSize) out.WriteRepeated(kZero, kReceiverFileSize - end);
}

bool DecodeReceiverFile(std::span<const std::uint8_t> bytes, ChannelTables& tables,
                        std::string* problem) {
  if (bytes.size() != kReceiverFileSize && bytes.size() != kReceiverFileSize - 1) {
    *problem = "it has " + ByteCount(bytes.size()) + ", not " + GroupedNumber(kReceiverFileSize);
    return false;
  }
  for (std::size_t marker : {kTransponderSectionMarker, kProgrammeSectionMarker}) {
    if (GetLong(bytes.data() + marker) != kSectionMarker) {
      *problem = "no section marker " + Offset(marker);
      return false;
    }
  }
  std::uint16_t transponders = GetWord(bytes.data() + kTransponderCountOffset);
  std::uint16_t programmes = GetWord(bytes.data() + kProgrammeCountOffset);
  if (transponders > kTransponderSlots) {
    *problem = std::to_string(transponders) + " transponders " + Offset(kTransponderCountOffset) +
               ", more than its " + std::to_string(kTransponderSlots) + " slots";
    return false;
  }
  if (programmes > kProgrammeSlots) {
    *problem = std::to_string(programmes) + " programmes " + Offset(kProgrammeCountOffset) +
               ", more than its " + std::to_string(kProgrammeSlots) + " slots";
    return false;
  }
  tables.transponderCount = transponders;
  for (int i = 0; i < transponders; ++i) {
    std::size_t at = kTransponderSectionStart + i * kTransponderRecordSize;
    if (!DecodeTransponder(bytes.data() + at, tables.transponders[i])) {
      *problem = "transponder " + std::to_string(i) + " has a symbol rate beyond 65535 " +
                 Offset(at + kTpSymbolRateOffset);
      return false;
    }
  }
  tables.programmeCount = programmes;
  tables.tvProgrammeCount = GetWord(bytes.data() + kTvProgrammeCountOffset);
  tables.radioProgrammeCount = GetWord(bytes.data() + kRadioProgrammeCountOffset);
  for (int p = 1; p <= programmes; ++p) {
    DecodeProgramme(bytes.data() + kProgrammeSectionStart + (p - 1) * kProgrammeRecordSize,
                    tables.programmes[p]);
  }
  return true;
}

}  // namespace tunewerk
