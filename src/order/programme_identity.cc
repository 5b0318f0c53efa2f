#include "order/programme_identity.h"

#include <algorithm>
#include <string_view>
#include <tuple>

#include "model/text_bytes.h"

namespace tunewerk {

namespace {

constexpr std::size_t kNameWidth = 20;  // as the receiver file holds a display name

// What the receiver tunes a programme by.
struct Tuning {
  std::int32_t frequency = 0;
  std::uint8_t polBand = 0;
  std::uint8_t satNumber = 0;
  std::uint16_t sid = 0;

  auto Fields() const { return std::tie(frequency, polBand, satNumber, sid); }
};

Tuning TuningOf(const ChannelTables& tables, std::uint16_t p) {
  const ProgrammeEntry& programme = tables.programmes[p];
  Tuning tuning;
  tuning.sid = programme.sid;
  if (programme.tpIndex < tables.transponderCount) {
    const TransponderEntry& transponder = tables.transponders[programme.tpIndex];
    tuning.frequency = transponder.frequency;
    tuning.polBand = transponder.polBand;
    tuning.satNumber = transponder.satNumber;
  }
  return tuning;
}

int CompareTuning(const Tuning& a, const Tuning& b) {
  if (a.Fields() < b.Fields()) return -1;
  return b.Fields() < a.Fields() ? 1 : 0;
}

// Byte by byte over the name's width, a missing byte counting as a blank.
int CompareNames(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < kNameWidth; ++i) {
    auto x = static_cast<std::uint8_t>(i < a.size() ? a[i] : kBlank);
    auto y = static_cast<std::uint8_t>(i < b.size() ? b[i] : kBlank);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

std::string_view NameOf(const ChannelTables& tables, std::uint16_t p) {
  return tables.programmes[p].displayName.view();
}

// Programme numbers 1..count by tuning, then name, then number.
void SortByKey(const ChannelTables& tables, std::uint16_t* byKey) {
  std::uint16_t count = tables.programmeCount;
  for (std::uint16_t p = 1; p <= count; ++p) byKey[p - 1] = p;
  std::sort(byKey, byKey + count, [&tables](std::uint16_t p, std::uint16_t q) {
    int c = CompareTuning(TuningOf(tables, p), TuningOf(tables, q));
    if (c == 0) c = CompareNames(NameOf(tables, p), NameOf(tables, q));
    return c != 0 ? c < 0 : p < q;
  });
}

// The end of the run of equal tuning that starts at `from`.
int RunEnd(const ChannelTables& tables, const std::uint16_t* byKey, int from, int count) {
  Tuning first = TuningOf(tables, byKey[from]);
  int end = from + 1;
  while (end < count && CompareTuning(TuningOf(tables, byKey[end]), first) == 0) ++end;
  return end;
}

void Pair(ProgrammeMatch& match, std::uint16_t oldP, std::uint16_t newP) {
  match.newOf[oldP] = newP;
  match.oldOf[newP] = oldP;
}

}  // namespace

void MatchProgrammes(const ChannelTables& old, const ChannelTables& fresh, ProgrammeMatch& match) {
  std::fill(std::begin(match.newOf), std::end(match.newOf), 0);
  std::fill(std::begin(match.oldOf), std::end(match.oldOf), 0);
  SortByKey(old, match.oldByKey);
  SortByKey(fresh, match.newByKey);
  const int oldCount = old.programmeCount, newCount = fresh.programmeCount;
  int i = 0, j = 0;
  while (i < oldCount && j < newCount) {
    int c = CompareTuning(TuningOf(old, match.oldByKey[i]), TuningOf(fresh, match.newByKey[j]));
    if (c != 0) {
      (c < 0 ? i : j) += 1;
      continue;
    }
    int oldEnd = RunEnd(old, match.oldByKey, i, oldCount);
    int newEnd = RunEnd(fresh, match.newByKey, j, newCount);
    if (oldEnd - i == 1 && newEnd - j == 1) {
      // Unique on both sides: the same service, renamed or not.
      Pair(match, match.oldByKey[i], match.newByKey[j]);
    } else {
      // The name decides; runs of one name are in table order.
      for (int a = i, b = j; a < oldEnd && b < newEnd;) {
        int n = CompareNames(NameOf(old, match.oldByKey[a]), NameOf(fresh, match.newByKey[b]));
        if (n == 0) Pair(match, match.oldByKey[a], match.newByKey[b]);
        if (n <= 0) ++a;
        if (n >= 0) ++b;
      }
    }
    i = oldEnd;
    j = newEnd;
  }
}

}  // namespace tunewerk
