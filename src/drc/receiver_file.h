#ifndef TUNEWERK_DRC_RECEIVER_FILE_H_
#define TUNEWERK_DRC_RECEIVER_FILE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "app/files.h"
#include "model/channel_tables.h"

namespace tunewerk {

// The receiver's channel file: a copied header, then 1000 transponder slots
// and 3000 programme slots, big-endian, and a zero fill to a fixed size.
constexpr std::size_t kHeaderSize = 27012;
constexpr std::uint32_t kSectionMarker = 0x00FFFFFF;
constexpr std::size_t kTransponderRecordSize = 46;
constexpr std::size_t kProgrammeRecordSize = 134;
constexpr std::size_t kTransponderSectionStart = kHeaderSize + 4 + 2;  // 27,018
constexpr std::size_t kProgrammeSectionMarker =
    kTransponderSectionStart + kTransponderSlots * kTransponderRecordSize;  // 73,018
constexpr std::size_t kProgrammeSectionStart =
    kHeaderSize + 4 + 2 + kTransponderSlots * kTransponderRecordSize + 4 + 2 + 2 + 2;  // 73,028
// One byte past the last programme slot.
constexpr std::size_t kReceiverFileSize =
    kProgrammeSectionStart + kProgrammeSlots * kProgrammeRecordSize + 1;  // 475,029

// Big-endian byte writers; each writes the low bits of `value` (so a negative
// long goes out in two's complement).
void PutByte(OutputFile& out, std::uint32_t value);
void PutWord(OutputFile& out, std::uint32_t value);
void PutLong(OutputFile& out, std::int64_t value);

// The first kHeaderSize bytes of the old file, completed with 26 when it is shorter.
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
