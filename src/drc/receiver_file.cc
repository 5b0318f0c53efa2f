#include "drc/receiver_file.h"

namespace tunewerk {

void PutByte(OutputFile& out, std::uint32_t value) {
  (void)out, (void)value;
}
void PutWord(OutputFile& out, std::uint32_t value) {
  (void)out, (void)value;
}
void PutLong(OutputFile& out, std::int64_t value) {
  (void)out, (void)value;
}
void CopyReceiverHeader(InputFile& oldFile, OutputFile& out) {
  (void)oldFile, (void)out;
}
void WriteTransponderSectionStart(OutputFile& out, std::uint16_t transponderCount) {
  (void)out, (void)transponderCount;
}
void WriteTransponderRecord(OutputFile& out, const TransponderEntry& transponder) {
  (void)out, (void)transponder;
}
void WriteEmptyTransponderSlots(OutputFile& out, std::uint16_t transponderCount) {
  (void)out, (void)transponderCount;
}
void WriteProgrammeSectionStart(OutputFile& out, const ChannelTables& tables) {
  (void)out, (void)tables;
}
void WriteProgrammeRecord(OutputFile& out, const ProgrammeEntry& programme) {
  (void)out, (void)programme;
}
void WriteZeroFill(OutputFile& out, std::uint16_t programmeCount) {
  (void)out, (void)programmeCount;
}

}  // namespace tunewerk
