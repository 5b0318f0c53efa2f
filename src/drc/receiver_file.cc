#include "drc/receiver_file.h"

#include <algorithm>
#include <string_view>

namespace tunewerk {

namespace {

constexpr std::int32_t kHighBandStart = 1175000;  // above this the high-band oscillator
constexpr std::uint32_t kLowBandOscillator = 975000;
constexpr std::uint32_t kHighBandOscillator = 1060000;
constexpr std::uint8_t kTransponderInUse = 1;
constexpr int kAudioPidSlots = 20;  // the receiver keeps room for 20 PIDs, 10 are used
constexpr std::size_t kEmptyTagSlotSize = 2 + 4;
constexpr std::size_t kTpNameWidth = 14;
constexpr std::size_t kDisplayNameWidth = 20;
constexpr std::size_t kAudioLangWidth = 3;
constexpr std::uint8_t kBlank = 32;
constexpr std::uint8_t kZero = 0;

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

}  // namespace tunewerk
