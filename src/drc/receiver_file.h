#ifndef TUNEWERK_DRC_RECEIVER_FILE_H_
#define TUNEWERK_DRC_RECEIVER_FILE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "io/files.h"
#include "model/channel_tables.h"
#include "model/receiver_limits.h"

namespace tunewerk {

// The receiver's channel file. Numbers are big-endian; text has no length
// byte and no terminator. Offsets from the start of the file:
//        0  header, copied from the old file           27,012
//   27,012  section marker (long)                           4
//   27,016  transponder count (word)                        2
//   27,018  1000 transponder slots of 46 bytes         46,000
//   73,018  section marker (long)                           4
//   73,022  programme, TV and radio counts (3 words)        6
//   73,028  3000 programme slots of 134 bytes         402,000
//  475,028  one more zero byte                              1
constexpr std::size_t kHeaderSize = 27012;
constexpr std::uint32_t kSectionMarker = 0x00FFFFFF;
constexpr std::size_t kTransponderRecordSize = 46;
constexpr std::size_t kProgrammeRecordSize = 134;

// Offsets in the file.
constexpr std::size_t kTransponderSectionMarker = kHeaderSize;
constexpr std::size_t kTransponderCountOffset = kTransponderSectionMarker + 4;
constexpr std::size_t kTransponderSectionStart = kTransponderCountOffset + 2;
constexpr std::size_t kProgrammeSectionMarker =
    kTransponderSectionStart + kTransponderSlots * kTransponderRecordSize;
constexpr std::size_t kProgrammeCountOffset = kProgrammeSectionMarker + 4;
constexpr std::size_t kTvProgrammeCountOffset = kProgrammeCountOffset + 2;
constexpr std::size_t kRadioProgrammeCountOffset = kTvProgrammeCountOffset + 2;
constexpr std::size_t kProgrammeSectionStart = kRadioProgrammeCountOffset + 2;
// One byte past the last programme slot.
constexpr std::size_t kReceiverFileSize =
    kProgrammeSectionStart + kProgrammeSlots * kProgrammeRecordSize + 1;

static_assert(kTransponderSectionStart == 27018);
static_assert(kProgrammeSectionMarker == 73018);
static_assert(kProgrammeSectionStart == 73028);
static_assert(kReceiverFileSize == 475029);

// Offsets within a transponder record.
constexpr std::size_t kTpSatNumberOffset = 0;         // byte
constexpr std::size_t kTpPolBandOffset = 1;           // byte
constexpr std::size_t kTpCodeOffset = 4;              // word, after a zero word
constexpr std::size_t kTpOscillatorOffset = 8;        // long, after a zero word
constexpr std::size_t kTpFrequencyOffset = 12;        // long
constexpr std::size_t kTpSymbolRateOffset = 16;       // long, symbol rate times 100
constexpr std::size_t kTpFrequencyAgainOffset = 20;   // long
constexpr std::size_t kTpSymbolRateAgainOffset = 24;  // long
constexpr std::size_t kTpTotalCountOffset = 28;       // byte, TV plus radio modulo 256
constexpr std::size_t kTpTvCountOffset = 29;          // byte
constexpr std::size_t kTpRadioCountOffset = 30;       // byte
constexpr std::size_t kTpInUseOffset = 31;            // byte, always 1
constexpr std::size_t kTpNameOffset = 32;             // 14 characters
constexpr std::size_t kTpNameWidth = 14;
static_assert(kTpNameOffset + kTpNameWidth == kTransponderRecordSize);

// Offsets within a programme record.
constexpr std::size_t kProgTpIndexOffset = 0;     // word
constexpr std::size_t kProgSidOffset = 4;         // word, after a zero word
constexpr std::size_t kProgScrambledOffset = 6;   // byte: 0 free, 255 scrambled
constexpr std::size_t kProgAudioCountOffset = 8;  // byte, after a zero byte
constexpr std::size_t kProgPcrPidOffset = 10;     // word, after a zero byte
constexpr std::size_t kProgVideoPidOffset = 12;   // word
constexpr std::size_t kProgAudioPidsOffset = 14;  // 20 words, the unused ones zero
constexpr std::size_t kAudioPidSlots = 20;        // room for 20 PIDs, 10 are used
constexpr std::size_t kProgDisplayNameOffset = kProgAudioPidsOffset + 2 * kAudioPidSlots;
constexpr std::size_t kDisplayNameWidth = 20;
// 10 slots of 6 bytes: a stream's tag twice, or a zero word and a zero long.
constexpr std::size_t kProgAudioTagsOffset = kProgDisplayNameOffset + kDisplayNameWidth;
constexpr std::size_t kAudioLangWidth = 3;
constexpr std::size_t kAudioTagSlotSize = 2 * kAudioLangWidth;
static_assert(kProgDisplayNameOffset == 54 && kProgAudioTagsOffset == 74);
static_assert(kProgAudioTagsOffset + kMaxAudioStreams * kAudioTagSlotSize == kProgrammeRecordSize);

// Byte writers, big-endian; each writes the low bits of `value` (so a negative
// long goes out in two's complement).
void WriteLowByte(OutputFile& out, std::uint32_t value);
void WriteBigEndianWord(OutputFile& out, std::uint32_t value);
void WriteBigEndianLong(OutputFile& out, std::int64_t value);

// The first kHeaderSize bytes of the old file; an old file that is shorter
// enters the error state, with its size and the size needed.
void CopyReceiverHeader(InputFile& oldFile, OutputFile& out);
// Section marker and transponder count.
void WriteTransponderSectionStart(OutputFile& out, std::uint16_t transponderCount);
// 46 bytes; a name shorter than 14 is filled with blanks.
void WriteTransponderRecord(OutputFile& out, const TransponderEntry& transponder);
// Zero slots from transponderCount to the last slot.
void WriteEmptyTransponderSlots(OutputFile& out, std::uint16_t transponderCount);
// Section marker and the three programme counts.
void WriteProgrammeSectionStart(OutputFile& out, const ChannelTables& tables);
// 134 bytes; a name shorter than 20 and tags shorter than 3 are filled with blanks.
void WriteProgrammeRecord(OutputFile& out, const ProgrammeEntry& programme);
// Zero bytes from the end of the last programme record to the fixed size.
void WriteZeroFill(OutputFile& out, std::uint16_t programmeCount);

// Reads a receiver channel file back: its transponders into 0 .. T-1 and
// its programmes into 1 .. N of `tables`, with the three programme counts;
// text fields as they stand in the file, numbers as the listing shows them.
// The file is 475,029 bytes as this program writes it, or 475,028 (the
// table without the last byte). False, with what is wrong in *problem, when
// the bytes are not such a file: another size, a section marker missing,
// a count beyond its table.
bool DecodeReceiverFile(std::span<const std::uint8_t> bytes, ChannelTables& tables,
                        std::string* problem);

}  // namespace tunewerk

#endif  // TUNEWERK_DRC_RECEIVER_FILE_H_
