#include "order/order_programmes.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tunewerk {

namespace {

// Destination position -> index of the entry that goes there (both 1-based).
using Permutation = std::array<std::uint16_t, kProgrammeSlots + 1>;

// Position around the orbit starting at 270; a feed's 500 is kept in, so it
// sorts 140 positions further on.
std::uint32_t PositionKey(const ProgrammeEntry& programme) {
  return (static_cast<std::uint32_t>(programme.orbitalPos) + 450) % kSatellitePositions;
}

// Both passes use a total order whose last tie-break is the import index, so
// the allocation-free std::sort gives exactly the stable result.
struct PositionLess {
  const ProgrammeEntry* programmes;
  bool operator()(std::uint16_t a, std::uint16_t b) const {
    std::uint32_t keyA = PositionKey(programmes[a]);
    std::uint32_t keyB = PositionKey(programmes[b]);
    return keyA != keyB ? keyA < keyB : a < b;
  }
};

// Equal names keep the position order, which is PositionLess itself.
struct NameLess {
  const ProgrammeEntry* programmes;
  bool operator()(std::uint16_t a, std::uint16_t b) const {
    int c = CompareBytes(programmes[a].displayName.view(), programmes[b].displayName.view());
    return c != 0 ? c < 0 : PositionLess{programmes}(a, b);
  }
};

// Sorts each maximal run of equal satellite numbers by name.
void SortGroupsByName(const ProgrammeEntry* programmes, std::uint16_t* first, std::uint16_t* last) {
  while (first != last) {
    std::uint8_t satellite = programmes[*first].satNumber;
    std::uint16_t* end = first + 1;
    while (end != last && programmes[*end].satNumber == satellite) ++end;
    std::sort(first, end, NameLess{programmes});
    first = end;
  }
}

// Moves each entry to its destination along the permutation's cycles, with
// one entry held aside per cycle. A placed position is marked order[p] == p.
void ApplyPermutation(ProgrammeEntry* programmes, Permutation& order, int count) {
  for (int start = 1; start <= count; ++start) {
    if (order[start] == start) continue;
    ProgrammeEntry held = programmes[start];
    int to = start;
    while (order[to] != start) {
      int from = order[to];
      programmes[to] = programmes[from];
      order[to] = static_cast<std::uint16_t>(to);
      to = from;
    }
    programmes[to] = held;
    order[to] = static_cast<std::uint16_t>(to);
  }
}

// PositionLess on packed (key, index) words: sorting plain integers spares the
// comparisons a look into the large entries.
void SortByPosition(const ProgrammeEntry* programmes, Permutation& order, int count) {
  static_assert(kSatellitePositions <= 1 << 16 && kProgrammeSlots < 1 << 16);
  std::array<std::uint32_t, kProgrammeSlots> packed;
  for (int p = 1; p <= count; ++p) {
    packed[p - 1] = PositionKey(programmes[p]) << 16 | static_cast<std::uint32_t>(p);
  }
  std::sort(packed.begin(), packed.begin() + count);
  for (int i = 0; i < count; ++i) order[i + 1] = static_cast<std::uint16_t>(packed[i]);
}

}  // namespace

void OrderProgrammes(ChannelTables& tables) {
  int count = std::min<int>(tables.programmeCount, kProgrammeSlots);
  Permutation order;
  SortByPosition(tables.programmes, order, count);
  std::uint16_t* first = order.data() + 1;
  std::uint16_t* last = first + count;
  SortGroupsByName(tables.programmes, first, last);
  ApplyPermutation(tables.programmes, order, count);
}

}  // namespace tunewerk
