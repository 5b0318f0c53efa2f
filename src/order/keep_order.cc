#include "order/keep_order.h"

#include <cstdint>
#include <utility>

namespace tunewerk {

void KeepOldOrder(ChannelTables& tables, const ChannelTables& old, const ProgrammeMatch& match) {
  // from[i]: the programme that goes to position i.
  std::uint16_t from[kProgrammeSlots + 1];
  bool placed[kProgrammeSlots + 1] = {};
  int next = 1;
  for (int p = 1; p <= old.programmeCount; ++p) {
    if (match.newOf[p] != 0) from[next++] = match.newOf[p];
  }
  for (int q = 1; q <= tables.programmeCount; ++q) {
    if (match.oldOf[q] == 0) from[next++] = static_cast<std::uint16_t>(q);
  }
  if (next != tables.programmeCount + 1) return;  // a match made for other tables
  // Each cycle of the permutation in turn, with one entry held aside.
  for (int start = 1; start <= tables.programmeCount; ++start) {
    if (placed[start]) continue;
    ProgrammeEntry held = tables.programmes[start];
    int at = start;
    while (from[at] != start) {
      tables.programmes[at] = tables.programmes[from[at]];
      placed[at] = true;
      at = from[at];
    }
    tables.programmes[at] = std::move(held);
    placed[at] = true;
  }
}

}  // namespace tunewerk
