#include "order/keep_order.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/param_name.h"
#include "support/programme_tables.h"

namespace tunewerk {
namespace {

// One programme per letter, its service id the letter.
std::vector<Tuned> Letters(const std::string& letters) {
  std::vector<Tuned> programmes;
  for (char letter : letters) programmes.push_back({std::string(1, letter), std::uint16_t(letter)});
  return programmes;
}

struct KeepOrderCase {
  const char* name;
  const char* old;
  const char* fresh;  // in the order the answers gave
  const char* kept;   // the order written
};

class KeepOrderTest : public testing::TestWithParam<KeepOrderCase> {};

TEST_P(KeepOrderTest, OldProgrammesFirstInTheirOrder) {
  const KeepOrderCase& c = GetParam();
  auto old = TablesOf(Letters(c.old));
  auto tables = TablesOf(Letters(c.fresh));
  auto match = std::make_unique<ProgrammeMatch>();
  MatchProgrammes(*old, *tables, *match);
  KeepOldOrder(*tables, *old, *match);
  std::string order;
  for (int p = 1; p <= tables->programmeCount; ++p) {
    const ProgrammeEntry& programme = tables->programmes[p];
    order += programme.displayName.view();
    // Whole entries move: the transponder is still the programme's own.
    EXPECT_EQ(tables->transponders[programme.tpIndex].frequency, 1174250);
    EXPECT_EQ(programme.sid, std::uint16_t(programme.displayName.view()[0]));
  }
  EXPECT_EQ(order, c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepOrderTest,
    testing::Values(KeepOrderCase{"kept in the old order, new ones after", "ABC", "CXBA", "ABCX"},
                    KeepOrderCase{"gone ones left out", "ABCD", "DB", "BD"},
                    KeepOrderCase{"new ones in their present order", "B", "ZBYA", "BZYA"},
                    KeepOrderCase{"an old file with no tables", "", "BA", "BA"},
                    KeepOrderCase{"nothing kept", "XY", "BA", "BA"},
                    KeepOrderCase{"a long cycle", "ABCDEF", "FABCDE", "ABCDEF"},
                    KeepOrderCase{"no programmes", "AB", "", ""}),
    NameField());

}  // namespace
}  // namespace tunewerk
