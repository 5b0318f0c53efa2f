#ifndef TUNEWERK_SETTINGS_SETTINGS_READER_H_
#define TUNEWERK_SETTINGS_SETTINGS_READER_H_

#include <cstdint>

#include "io/files.h"
#include "model/bounded_string.h"
#include "model/channel_tables.h"

namespace tunewerk {

constexpr char kSettingsFileName[] = "vaz3er.ini";
constexpr std::size_t kSettingsLineLength = 128;

using SettingsLine = BoundedString<kSettingsLineLength>;

// Opens the settings file, fills tables.excludeList and overwrites the listed
// positions of tables.satelliteMap, and closes the file.
// A missing file, a missing section line or a missing or malformed position
// enters the run's file error state.
void ReadSettings(InputFile& file, ChannelTables& tables);

// Reads the next line up to its LF (not stored) into *line: its first 128
// bytes, one CR directly before the LF dropped. A byte 26 or the end of the
// file ends the line; a line read there is empty and no failure.
void ReadSettingsLine(InputFile& file, SettingsLine* line);

// Skips blanks, tabs, CRs and LFs, then reads an optional "+" and decimal
// digits, held modulo 2^16, and skips the rest of the number's line (the
// reader cannot peek, so the byte ending the digits is already taken).
// Returns false, with *number 0, when no digit stands there (a "-", text or
// the end of the file); the caller enters the error state naming what it expected.
bool ReadSettingsNumber(InputFile& file, std::uint16_t* number);

}  // namespace tunewerk

#endif  // TUNEWERK_SETTINGS_SETTINGS_READER_H_
