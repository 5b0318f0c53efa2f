#include "report/listing.h"

namespace tunewerk {

void WriteNumber(OutputFile& out, std::int32_t value, int width) {
  (void)out, (void)value, (void)width;
}
void WriteTransponderLine(OutputFile& out, int index, const TransponderEntry& transponder) {
  (void)out, (void)index, (void)transponder;
}
void WriteListingTotals(OutputFile& out, std::uint16_t programmeCount,
                        std::uint16_t tvProgrammeCount, std::uint16_t radioProgrammeCount) {
  (void)out, (void)programmeCount, (void)tvProgrammeCount, (void)radioProgrammeCount;
}
void WriteProgrammeLine(OutputFile& out, int position, const ProgrammeEntry& programme) {
  (void)out, (void)position, (void)programme;
}

}  // namespace tunewerk
