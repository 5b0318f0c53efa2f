#include "order/order_programmes.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/channel_tables.h"
#include "support/param_name.h"

namespace tunewerk {
namespace {

struct Programme {
  std::uint16_t orbitalPos;
  std::uint8_t satNumber;
  std::string name;
};

// Every field of an entry is derived from its import number, so a test can
// check that entries moved whole.
ProgrammeEntry MakeEntry(int importNumber, const Programme& programme) {
  ProgrammeEntry entry;
  entry.sid = static_cast<std::uint16_t>(importNumber);
  entry.tpIndex = static_cast<std::uint16_t>(importNumber % 999);
  entry.pcrPid = static_cast<std::uint16_t>(importNumber + 1);
  entry.videoPid = static_cast<std::uint16_t>(importNumber + 2);
  entry.audioCount = kMaxAudioStreams;
  for (int k = 0; k < kMaxAudioStreams; ++k) {
    entry.audioPid[k] = static_cast<std::uint16_t>(importNumber + k);
    entry.audioLang[k].Assign(std::to_string(importNumber % 1000));
  }
  entry.orbitalPos = programme.orbitalPos;
  entry.satNumber = programme.satNumber;
  entry.displayName.Assign(programme.name);
  return entry;
}

void ExpectWhole(const ProgrammeEntry& entry) {
  int n = entry.sid;
  EXPECT_EQ(entry.tpIndex, n % 999);
  EXPECT_EQ(entry.pcrPid, n + 1);
  EXPECT_EQ(entry.videoPid, n + 2);
  EXPECT_EQ(entry.audioPid[9], n + 9);
  EXPECT_EQ(entry.audioLang[9].view(), std::to_string(n % 1000));
}

std::unique_ptr<ChannelTables> TablesOf(const std::vector<Programme>& programmes) {
  auto tables = std::make_unique<ChannelTables>();
  tables->programmeCount = static_cast<std::uint16_t>(programmes.size());
  for (std::size_t i = 0; i < programmes.size(); ++i) {
    tables->programmes[i + 1] = MakeEntry(static_cast<int>(i + 1), programmes[i]);
  }
  return tables;
}

// Sorts and returns the import numbers in their new order.
std::vector<int> Order(ChannelTables& tables) {
  OrderProgrammes(tables);
  std::vector<int> order;
  for (int p = 1; p <= tables.programmeCount; ++p) {
    order.push_back(tables.programmes[p].sid);
    ExpectWhole(tables.programmes[p]);
  }
  return order;
}

struct ExampleCase {
  const char* name;
  std::vector<Programme> programmes;
  std::vector<int> expected;
};

const ExampleCase kExampleCases[] = {
    {"empty table", {}, {}},
    {"one programme", {{192, 1, "A"}}, {1}},
    {"orbit starts at 270", {{10, 1, "A"}, {200, 2, "A"}, {300, 3, "A"}}, {3, 1, 2}},
    {"equal positions keep import order", {{19, 1, "A"}, {19, 2, "A"}, {19, 3, "A"}}, {1, 2, 3}},
    {"feed at 19 sorts with 159",
     {{159, 5, "A"}, {19, 2, "B"}, {519, 2, "C"}, {159, 5, "D"}, {160, 5, "E"}},
     {2, 1, 3, 4, 5}},
    {"capital Z before small a", {{192, 1, "alpha"}, {192, 1, "Zulu"}}, {2, 1}},
    {"bytes compare unsigned", {{192, 1, "\xE4pfel"}, {192, 1, "zebra"}}, {2, 1}},
    {"prefix first", {{192, 1, "ABC "}, {192, 1, "ABC"}, {192, 1, "AB"}}, {3, 2, 1}},
    {"one group: names, then position, decide",
     {{10, 27, "B"}, {300, 27, "B"}, {20, 27, "A"}, {10, 27, "B"}},
     {3, 2, 1, 4}},
    {"neighbouring positions of one satellite are one group",
     {{280, 4, "Z"}, {271, 4, "Y"}, {190, 4, "X"}},
     {3, 2, 1}},
    {"one satellite in two runs is two groups",
     {{270, 1, "Z"}, {271, 1, "A"}, {280, 2, "M"}, {290, 1, "B"}, {291, 1, "A"}},
     {2, 1, 3, 5, 4}},
};

class OrderExampleTest : public testing::TestWithParam<ExampleCase> {};

TEST_P(OrderExampleTest, Examples) {
  const ExampleCase& c = GetParam();
  auto tables = TablesOf(c.programmes);
  EXPECT_EQ(Order(*tables), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Examples, OrderExampleTest, testing::ValuesIn(kExampleCases), NameField());

TEST(OrderProgrammesTest, TranspondersAreNotTouched) {
  auto tables = TablesOf({{300, 1, "B"}, {10, 1, "A"}});
  tables->transponderCount = 2;
  tables->transponders[0].frequency = 1197000;
  tables->transponders[1].frequency = 1172250;
  Order(*tables);
  EXPECT_EQ(tables->transponders[0].frequency, 1197000);
  EXPECT_EQ(tables->transponders[1].frequency, 1172250);
}

// The exchange procedure that defines the order: insertion by position key
// over the whole table, then insertion by name inside each run of one
// satellite number.
void ReferenceOrder(ChannelTables& tables) {
  ProgrammeEntry* p = tables.programmes;
  int n = tables.programmeCount;
  auto key = [&](int i) { return (p[i].orbitalPos + 450u) % 360u; };
  for (int i = 1; i < n; ++i) {
    for (int j = i; j >= 1; --j) {
      if (key(j + 1) < key(j)) std::swap(p[j], p[j + 1]);
    }
  }
  std::vector<int> groupStart = {1};
  for (int i = 2; i <= n; ++i) {
    if (p[i].satNumber != p[i - 1].satNumber) groupStart.push_back(i);
  }
  groupStart.push_back(n + 1);
  for (std::size_t g = 1; g < groupStart.size(); ++g) {
    int lo = groupStart[g - 1];
    int hi = groupStart[g] - 1;
    for (int i = lo; i <= hi; ++i) {
      for (int j = i - 1; j >= lo; --j) {
        if (CompareBytes(p[j].displayName.view(), p[j + 1].displayName.view()) > 0) {
          std::swap(p[j], p[j + 1]);
        }
      }
    }
  }
}

// Random tables at the largest size, with few positions, satellites and
// names so that ties and many groups (far more than 103) occur.
TEST(OrderProgrammesTest, MatchesTheExchangeProcedure) {
  std::mt19937 random(4711);
  for (int round = 0; round < 4; ++round) {
    int satellites = round == 0 ? 1 : round * 5;
    std::vector<Programme> programmes;
    for (int i = 0; i < kMaxProgrammes; ++i) {
      std::uint16_t position = static_cast<std::uint16_t>(random() % 40 * 9);
      if (random() % 10 == 0) position = static_cast<std::uint16_t>(position + 500);
      std::uint8_t satellite = static_cast<std::uint8_t>(random() % satellites);
      std::string name(1 + random() % 3, 'a');
      for (char& ch : name) ch = "aAzZ \xE4"[random() % 6];
      programmes.push_back({position, satellite, name});
    }
    auto tables = TablesOf(programmes);
    auto expected = TablesOf(programmes);
    ReferenceOrder(*expected);
    Order(*tables);
    for (int p = 1; p <= kMaxProgrammes; ++p) {
      ASSERT_EQ(tables->programmes[p].sid, expected->programmes[p].sid)
          << "round " << round << " position " << p;
    }
  }
}

}  // namespace
}  // namespace tunewerk
