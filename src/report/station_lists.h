#ifndef TUNEWERK_REPORT_STATION_LISTS_H_
#define TUNEWERK_REPORT_STATION_LISTS_H_

#include <cstdint>

#include "io/files.h"
#include "model/channel_tables.h"

namespace tunewerk {

// One line of the radio or TV list: tag, number, display name, position.
void WriteStationLine(OutputFile& out, std::uint16_t number, const ProgrammeEntry& programme);

}  // namespace tunewerk

#endif  // TUNEWERK_REPORT_STATION_LISTS_H_
