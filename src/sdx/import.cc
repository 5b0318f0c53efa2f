#include "sdx/import.h"

namespace tunewerk {

void ImportChannels(InputFile& sdx, Console& console, ChannelTables& tables) {
  (void)console;
  tables.transponderCount = 0;
  tables.programmeCount = 0;
  tables.tvProgrammeCount = 0;
  tables.radioProgrammeCount = 0;
  sdx.Open(kSdxFileName);
}

}  // namespace tunewerk
