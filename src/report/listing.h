#ifndef TUNEWERK_REPORT_LISTING_H_
#define TUNEWERK_REPORT_LISTING_H_

#include <cstdint>

#include "io/files.h"
#include "model/channel_tables.h"

namespace tunewerk {

// Decimal, right-aligned in `width` with blanks on the left, never cut; a
// negative value's minus sign counts towards the width.
void WriteNumber(OutputFile& out, std::int32_t value, int width);

void WriteTransponderLine(OutputFile& out, int index, const TransponderEntry& transponder);
// The nine heading and totals lines between transponders and programmes.
void WriteListingTotals(OutputFile& out, std::uint16_t programmeCount,
                        std::uint16_t tvProgrammeCount, std::uint16_t radioProgrammeCount);
// The three totals lines of that block (" Num Valid px " and so on).
void WriteListingCounts(OutputFile& out, std::uint16_t programmeCount,
                        std::uint16_t tvProgrammeCount, std::uint16_t radioProgrammeCount);
void WriteProgrammeLine(OutputFile& out, int position, const ProgrammeEntry& programme);

}  // namespace tunewerk

#endif  // TUNEWERK_REPORT_LISTING_H_
