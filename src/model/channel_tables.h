#ifndef TUNEWERK_MODEL_CHANNEL_TABLES_H_
#define TUNEWERK_MODEL_CHANNEL_TABLES_H_

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "model/bounded_string.h"
#include "model/receiver_limits.h"

namespace tunewerk {

constexpr int kExcludeLines = 50;

// The four answers of the dialogue; set once, never changed afterwards.
struct RunOptions {
  bool includeScrambled = false;
  bool includeCBand = false;
  bool sortBySatellite = false;
  bool includeFeeds = false;
};

// Providers to leave out. Entries are numbered 1..50 (index 0 unused).
// Only entries 1..storedLines-1 are active: the last stored entry is the line
// that ended the section.
struct ExcludeList {
  BoundedString<8> entries[kExcludeLines + 1];
  std::uint8_t storedLines = 0;
};

struct TransponderEntry {
  std::uint8_t satNumber = 0;
  std::uint8_t polBand = 0;     // 192..195
  std::uint8_t radioCount = 0;  // wraps at 256
  std::uint8_t tvCount = 0;     // wraps at 256
  std::uint16_t symbolRate = 0;
  std::uint16_t tpCode = 0;
  std::int32_t frequency = 0;  // units of 10 kHz
  BoundedString<14> tpName;
};

// Audio stream k (1..audioCount) is held at index k-1.
struct ProgrammeEntry {
  std::uint16_t tpIndex = 0;
  std::uint16_t sid = 0;
  std::uint16_t pcrPid = 0;
  std::uint16_t orbitalPos = 0;  // plus 500 for a feed or test card
  std::uint16_t videoPid = 0;    // 0 for radio
  std::uint16_t audioPid[kMaxAudioStreams] = {};
  BoundedString<20> displayName;
  BoundedString<3> audioLang[kMaxAudioStreams];
  std::uint8_t audioCount = 0;
  std::uint8_t satNumber = 0;
  std::uint8_t scrambled = 0;  // 0 free, 255 scrambled
};

// The whole data model of a run: one instance lives for the run. It starts
// empty, with every orbital position unlisted until the settings say otherwise.
// Transponders are indexed from 0; programmes from 1 (index 0 unused), so a
// programme's index is its position in the listing and the lists.
struct ChannelTables {
  ChannelTables() {
    std::fill(std::begin(satelliteMap), std::end(satelliteMap), kUnlistedSatellite);
  }

  RunOptions options;
  std::uint8_t satelliteMap[kSatellitePositions];
  ExcludeList excludeList;

  TransponderEntry transponders[kTransponderSlots];
  std::uint16_t transponderCount = 0;

  ProgrammeEntry programmes[kProgrammeSlots + 1];
  std::uint16_t programmeCount = 0;
  std::uint16_t tvProgrammeCount = 0;
  std::uint16_t radioProgrammeCount = 0;
};

// Satellite number of an orbital position; positions above 359 are unlisted.
inline std::uint8_t SatelliteOf(const ChannelTables& tables, std::uint32_t orbitalPos) {
  return orbitalPos < kSatellitePositions ? tables.satelliteMap[orbitalPos] : kUnlistedSatellite;
}

}  // namespace tunewerk

#endif  // TUNEWERK_MODEL_CHANNEL_TABLES_H_
