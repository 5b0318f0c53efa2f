#include "drc/receiver_file.h"

#include <algorithm>
#include <string_view>

#include "model/receiver_limits.h"
#include "model/text_bytes.h"

namespace tunewerk {

namespace {

constexpr std::uint32_t kLowBandOscillator = 975000;
constexpr std::uint32_t kHighBandOscillator = 1060000;
constexpr std::uint8_t kTransponderInUse = 1;
constexpr int kAudioPidSlots = 20;  // the receiver keeps room for 20 PIDs, 10 are used
constexpr std::size_t kEmptyTagSlotSize = 2 + 4;
constexpr std::size_t kTpNameWidth = 14;
constexpr std::size_t kDisplayNameWidth = 20;
constexpr std::size_t kAudioLangWidth = 3;
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
  std::uint32_t symbolRate = GetLong(record + 16) / kSymbolRateUnit;
  if (symbolRate > 0xFFFF) return false;
  transponder.satNumber = record[0];
  transponder.polBand = record[1];
  transponder.tpCode = GetWord(record + 4);
  transponder.frequency = static_cast<std::int32_t>(GetLong(record + 12));
  transponder.symbolRate = static_cast<std::uint16_t>(symbolRate);
  transponder.tvCount = record[29];
  transponder.radioCount = record[30];
  GetText(record + 32, kTpNameWidth, transponder.tpName);
  return true;
}

void DecodeProgramme(const std::uint8_t* record, ProgrammeEntry& programme) {
  programme.tpIndex = GetWord(record);
  programme.sid = GetWord(record + 4);
  programme.scrambled = record[6];
  programme.audioCount = record[8];
  programme.pcrPid = GetWord(record + 10);
  programme.videoPid = GetWord(record + 12);
  int streams = std::min<int>(programme.audioCount, kMaxAudioStreams);
  for (int k = 0; k < kMaxAudioStreams; ++k) {
    programme.audioPid[k] = GetWord(record + 14 + 2 * k);
    programme.audioLang[k].Clear();
    if (k < streams) GetText(record + 74 + 6 * k, kAudioLangWidth, programme.audioLang[k]);
  }
  GetText(record + 54, kDisplayNameWidth, programme.displayName);
}

std::string Offset(std::size_t offset) {
  return "at offset " + std::to_string(offset);
}

// A short text field (from a record cut short) is filled with blanks so that
// every record keeps its size and every later field its offset.
void PutText(OutputFile& out, std::string_view text, std::size_t width) {
  out.Write(text);
  if (text.size() < width) out.WriteRepeated(kBlank, width - text.size());
}

}  // namespace

void PutByte(OutputFile& out, std::uint32_t value) {
  out.PutByte(static_cast<std::uint8_t>(value));
}

void PutWord(OutputFile& out, std::uint32_t value) {
  out.PutByte(static_cast<std::uint8_t>(value >> 8));
  out.PutByte(static_cast<std::uint8_t>(value));
}

// A negative value (a malformed frequency) goes out as its low 32 bits in
// two's complement.
void PutLong(OutputFile& out, std::int64_t value) {
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  PutWord(out, bits >> 16);
  PutWord(out, bits & 0xFFFF);
}

// Byte for byte: CR, LF and 26 are not special here.
void CopyReceiverHeader(InputFile& oldFile, OutputFile& out) {
  for (std::size_t i = 0; i < kHeaderSize; ++i) out.PutByte(oldFile.ReadByte());
}

void WriteTransponderSectionStart(OutputFile& out, std::uint16_t transponderCount) {
  PutLong(out, kSectionMarker);
  PutWord(out, transponderCount);
}

void WriteTransponderRecord(OutputFile& out, const TransponderEntry& transponder) {
  std::uint32_t oscillator =
      transponder.frequency > kHighBandStart ? kHighBandOscillator : kLowBandOscillator;
  std::int64_t symbolRate = std::int64_t{transponder.symbolRate} * 100;
  PutByte(out, transponder.satNumber);
  PutByte(out, transponder.polBand);
  PutWord(out, 0);
  PutWord(out, transponder.tpCode);
  PutWord(out, 0);
  PutLong(out, oscillator);
  PutLong(out, transponder.frequency);
  PutLong(out, symbolRate);
  PutLong(out, transponder.frequency);
  PutLong(out, symbolRate);
  PutByte(out, transponder.radioCount + transponder.tvCount);  // low 8 bits: modulo 256
  PutByte(out, transponder.tvCount);
  PutByte(out, transponder.radioCount);
  PutByte(out, kTransponderInUse);
  PutText(out, transponder.tpName.view(), kTpNameWidth);
}

void WriteEmptyTransponderSlots(OutputFile& out, std::uint16_t transponderCount) {
  if (transponderCount >= kTransponderSlots) return;
  out.WriteRepeated(kZero, (kTransponderSlots - transponderCount) * kTransponderRecordSize);
}

void WriteProgrammeSectionStart(OutputFile& out, const ChannelTables& tables) {
  PutLong(out, kSectionMarker);
  PutWord(out, tables.programmeCount);
  PutWord(out, tables.tvProgrammeCount);
  PutWord(out, tables.radioProgrammeCount);
}

void WriteProgrammeRecord(OutputFile& out, const ProgrammeEntry& programme) {
  int streams = std::min<int>(programme.audioCount, kMaxAudioStreams);
  PutWord(out, programme.tpIndex);
  PutWord(out, 0);
  PutWord(out, programme.sid);
  PutByte(out, programme.scrambled);
  PutByte(out, 0);
  PutByte(out, programme.audioCount);
  PutByte(out, 0);
  PutWord(out, programme.pcrPid);
  PutWord(out, programme.videoPid);
  for (int k = 0; k < streams; ++k) PutWord(out, programme.audioPid[k]);
  out.WriteRepeated(kZero, static_cast<std::size_t>(kAudioPidSlots - streams) * 2);
  PutText(out, programme.displayName.view(), kDisplayNameWidth);
  for (int k = 0; k < streams; ++k) {
    PutText(out, programme.audioLang[k].view(), kAudioLangWidth);
    PutText(out, programme.audioLang[k].view(), kAudioLangWidth);
  }
  out.WriteRepeated(kZero, (kMaxAudioStreams - streams) * kEmptyTagSlotSize);
}

// The length comes from the count alone: the writer never measures the file.
void WriteZeroFill(OutputFile& out, std::uint16_t programmeCount) {
  std::size_t end = kProgrammeSectionStart + programmeCount * kProgrammeRecordSize;
  if (end < kReceiverFileSize) out.WriteRepeated(kZero, kReceiverFileSize - end);
}

bool DecodeReceiverFile(std::span<const std::uint8_t> bytes, ChannelTables& tables,
                        std::string* problem) {
  if (bytes.size() != kReceiverFileSize && bytes.size() != kReceiverFileSize - 1) {
    *problem = "it has " + std::to_string(bytes.size()) + " bytes, not " +
               std::to_string(kReceiverFileSize);
    return false;
  }
  for (std::size_t marker : {kHeaderSize, kProgrammeSectionMarker}) {
    if (GetLong(bytes.data() + marker) != kSectionMarker) {
      *problem = "no section marker " + Offset(marker);
      return false;
    }
  }
  std::uint16_t transponders = GetWord(bytes.data() + kHeaderSize + 4);
  const std::uint8_t* counts = bytes.data() + kProgrammeSectionMarker + 4;
  std::uint16_t programmes = GetWord(counts);
  if (transponders > kTransponderSlots) {
    *problem = std::to_string(transponders) + " transponders " + Offset(kHeaderSize + 4) +
               ", more than its " + std::to_string(kTransponderSlots) + " slots";
    return false;
  }
  if (programmes > kProgrammeSlots) {
    *problem = std::to_string(programmes) + " programmes " + Offset(kProgrammeSectionMarker + 4) +
               ", more than its " + std::to_string(kProgrammeSlots) + " slots";
    return false;
  }
  tables.transponderCount = transponders;
  for (int i = 0; i < transponders; ++i) {
    std::size_t at = kTransponderSectionStart + i * kTransponderRecordSize;
    if (!DecodeTransponder(bytes.data() + at, tables.transponders[i])) {
      *problem =
          "transponder " + std::to_string(i) + " has a symbol rate beyond 65535 " + Offset(at + 16);
      return false;
    }
  }
  tables.programmeCount = programmes;
  tables.tvProgrammeCount = GetWord(counts + 2);
  tables.radioProgrammeCount = GetWord(counts + 4);
  for (int p = 1; p <= programmes; ++p) {
    DecodeProgramme(bytes.data() + kProgrammeSectionStart + (p - 1) * kProgrammeRecordSize,
                    tables.programmes[p]);
  }
  return true;
}

}  // namespace tunewerk
