#include "report/station_lists.h"

#include "report/listing.h"

namespace tunewerk {

void WriteStationLine(OutputFile& out, std::uint16_t number, const ProgrammeEntry& programme) {
  out.Write(programme.audioLang[0].view());
  out.Write(" ");
  WriteNumber(out, number, 4);
  out.Write(" ");
  out.Write(programme.displayName.view());
  out.Write(" ");
  WriteNumber(out, programme.orbitalPos, 3);  // a feed shows its 500 as well
  out.WriteLine("");
}

}  // namespace tunewerk
