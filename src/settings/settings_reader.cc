#include "settings/settings_reader.h"

namespace tunewerk {

void ReadSettings(InputFile& file, ChannelTables& tables) {
  (void)tables;
  file.Open(kSettingsFileName);
  file.Close();
}

}  // namespace tunewerk
