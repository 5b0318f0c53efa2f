#include "settings/settings_reader.h"

#include <string>
#include <string_view>

#include "model/text_bytes.h"

namespace tunewerk {

namespace {

constexpr std::string_view kExcludeLine = "EXCLUDE";
constexpr std::string_view kEndLine = "END";
constexpr std::string_view kSatelliteLine = "ASTRA";

bool IsDigit(std::uint8_t byte) {
  return byte >= '0' && byte <= '9';
}

void Fail(InputFile& file, const std::string& what) {
  file.state().Enter(file.shownName() + ": " + what);
}

// Reads lines until one is exactly `wanted`. The search ends, as a failure,
// when the file is at its end before a line is read: a last line without its
// LF is still found.
bool FindLine(InputFile& file, std::string_view wanted) {
  SettingsLine line;
  do {
    if (file.AtTextEnd()) {
      Fail(file, "no line \"" + std::string(wanted) + "\" found");
      return false;
    }
    ReadSettingsLine(file, &line);
  } while (line.view() != wanted);
  return true;
}

// Stores the lines after "EXCLUDE" up to and including "END", at most 50;
// the last stored line is never an active entry.
void ReadExcludeList(InputFile& file, ExcludeList& list) {
  SettingsLine line;
  list.storedLines = 0;
  do {
    ++list.storedLines;
    ReadSettingsLine(file, &line);
    list.entries[list.storedLines].Assign(line.view());
  } while (line.view() != kEndLine && list.storedLines < kExcludeLines);
}

void FailSatellite(InputFile& file, int satellite, const std::string& what) {
  Fail(file, "satellite " + std::to_string(satellite + 1) + ": " + what);
}

// Satellites 0..26 each give one position line and one ignored line.
void ReadSatellites(InputFile& file, std::uint8_t* satelliteMap) {
  SettingsLine line;
  for (int satellite = 0; satellite < kListedSatellites; ++satellite) {
    std::uint16_t position = 0;
    if (!ReadSettingsNumber(file, &position)) {
      FailSatellite(file, satellite, "a position number was expected");
      return;
    }
    if (position >= kSatellitePositions) {
      FailSatellite(file, satellite,
                    "position " + std::to_string(position) + " is above " +
                        std::to_string(kSatellitePositions - 1));
      return;
    }
    satelliteMap[position] = static_cast<std::uint8_t>(satellite);
    ReadSettingsLine(file, &line);  // the satellite's name line, ignored
  }
}

}  // namespace

void ReadSettings(InputFile& file, ChannelTables& tables) {
  file.Open(kSettingsFileName);
  if (FindLine(file, kExcludeLine)) {
    ReadExcludeList(file, tables.excludeList);
    if (FindLine(file, kSatelliteLine)) ReadSatellites(file, tables.satelliteMap);
  }
  file.Close();
}

void ReadSettingsLine(InputFile& file, SettingsLine* line) {
  line->Clear();
  bool returnStored = false;  // the last stored byte is a CR read just before
  while (!file.AtTextEnd()) {
    std::uint8_t byte = file.ReadTextByte();
    if (byte == kLineFeed) {
      if (returnStored) --line->length;
      return;
    }
    returnStored = false;
    if (line->length < kSettingsLineLength) {
      line->bytes[line->length++] = static_cast<char>(byte);
      returnStored = byte == kCarriageReturn;
    }
  }
}

bool ReadSettingsNumber(InputFile& file, std::uint16_t* number) {
  *number = 0;
  std::uint8_t byte = 0;
  while (!file.AtTextEnd()) {
    byte = file.ReadTextByte();
    if (byte != kBlank && byte != kTab && byte != kCarriageReturn && byte != kLineFeed) break;
  }
  if (byte == '+') byte = file.AtTextEnd() ? 0 : file.ReadTextByte();
  if (!IsDigit(byte)) return false;
  std::uint32_t value = 0;
  while (IsDigit(byte)) {
    value = (value * 10 + (byte - '0')) & 0xFFFF;
    byte = file.AtTextEnd() ? kLineFeed : file.ReadTextByte();
  }
  *number = static_cast<std::uint16_t>(value);
  if (byte != kLineFeed) {
    SettingsLine rest;
    ReadSettingsLine(file, &rest);
  }
  return true;
}

}  // namespace tunewerk
