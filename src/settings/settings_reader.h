#ifndef TUNEWERK_SETTINGS_SETTINGS_READER_H_
#define TUNEWERK_SETTINGS_SETTINGS_READER_H_

#include "app/files.h"
#include "model/channel_tables.h"

namespace tunewerk {

constexpr char kSettingsFileName[] = "vaz3er.ini";

// Opens the settings file, fills tables.excludeList and overwrites the listed
// positions of tables.satelliteMap, and closes the file.
// REQUIRES: every satelliteMap entry is kUnlistedSatellite.
// A missing file, a missing section line or a missing or malformed position
// enters the run's file error state.
void ReadSettings(InputFile& file, ChannelTables& tables);

}  // namespace tunewerk

#endif  // TUNEWERK_SETTINGS_SETTINGS_READER_H_
