#ifndef TUNEWERK_ORDER_PROGRAMME_IDENTITY_H_
#define TUNEWERK_ORDER_PROGRAMME_IDENTITY_H_

#include <cstdint>

#include "model/channel_tables.h"
#include "model/receiver_limits.h"

namespace tunewerk {

// Which programme of an old table is which of a new one. A programme is the
// same service when the receiver would tune it the same way: its
// transponder's frequency, polarisation/band code and satellite number, and
// its service id. Where several programmes of one table share all four (a
// list without service ids gives them all 0), the display name decides: the
// first of that name in the old table is the first of that name in the new
// one, and so on; a programme whose name has no partner is new or gone.
// Names count as the receiver file holds them, filled with blanks to 20.
struct ProgrammeMatch {
  // For old programme p, the new programme that is the same service, or 0.
  std::uint16_t newOf[kProgrammeSlots + 1];
  // For new programme q, the old programme that is the same service, or 0.
  std::uint16_t oldOf[kProgrammeSlots + 1];
  // Working space: each table's programme numbers in the order of their keys.
  std::uint16_t oldByKey[kProgrammeSlots];
  std::uint16_t newByKey[kProgrammeSlots];
};

// Fills `match` for programmes 1..programmeCount of both tables. A programme
// whose transponder index names no filled slot is tuned by nothing: it
// counts with frequency, code and satellite 0.
void MatchProgrammes(const ChannelTables& old, const ChannelTables& fresh, ProgrammeMatch& match);

}  // namespace tunewerk

#endif  // TUNEWERK_ORDER_PROGRAMME_IDENTITY_H_
