#include "report/station_lists.h"

namespace tunewerk {

void WriteStationLine(OutputFile& out, std::uint16_t number, const ProgrammeEntry& programme) {
  (void)out, (void)number, (void)programme;
}

}  // namespace tunewerk
