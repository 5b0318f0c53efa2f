#ifndef TUNEWERK_SDX_IMPORT_H_
#define TUNEWERK_SDX_IMPORT_H_

#include <string>
#include <string_view>

#include "app/console.h"
#include "app/files.h"
#include "model/channel_tables.h"

namespace tunewerk {

constexpr char kSdxFileName[] = "user.sdx";

// Resets the transponder and programme tables and their counters, opens the
// SDX list and reads it record by record (each shown on the console) until its
// end, 999 transponders or 2999 programmes. The file stays open.
void ImportChannels(InputFile& sdx, Console& console, ChannelTables& tables);

}  // namespace tunewerk

#endif  // TUNEWERK_SDX_IMPORT_H_
