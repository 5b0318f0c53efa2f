#ifndef TUNEWERK_MODEL_RECEIVER_LIMITS_H_
#define TUNEWERK_MODEL_RECEIVER_LIMITS_H_

#include <cstdint>

namespace tunewerk {

constexpr int kSatellitePositions = 360;  // orbital position numbers 0..359
// The settings file numbers 27 satellites 0..26; every other position shares
// the number after them.
constexpr int kListedSatellites = 27;
constexpr std::uint8_t kUnlistedSatellite = kListedSatellites;

// The receiver keeps one slot more than the import fills: the last stays empty.
constexpr int kTransponderSlots = 1000;
constexpr int kProgrammeSlots = 3000;
constexpr int kMaxTransponders = 999;  // the import stops here
constexpr int kMaxProgrammes = 2999;   // the import stops here
static_assert(kMaxTransponders < kTransponderSlots && kMaxProgrammes < kProgrammeSlots);

constexpr int kMaxAudioStreams = 10;

// 11.75 GHz in units of 10 kHz: a frequency above it is in the high band,
// which sets the band bit and picks the high-band oscillator.
constexpr std::int32_t kHighBandStart = 1175000;

}  // namespace tunewerk

#endif  // TUNEWERK_MODEL_RECEIVER_LIMITS_H_
