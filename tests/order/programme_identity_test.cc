#include "order/programme_identity.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/param_name.h"
#include "support/programme_tables.h"

namespace tunewerk {
namespace {

struct IdentityCase {
  const char* name;
  std::vector<Tuned> old;
  std::vector<Tuned> fresh;
  // For each new programme, the old one that is the same service, or 0.
  std::vector<int> oldOf;
};

class ProgrammeIdentityTest : public testing::TestWithParam<IdentityCase> {};

TEST_P(ProgrammeIdentityTest, FindsTheSameService) {
  const IdentityCase& c = GetParam();
  auto old = TablesOf(c.old);
  auto fresh = TablesOf(c.fresh);
  auto match = std::make_unique<ProgrammeMatch>();
  MatchProgrammes(*old, *fresh, *match);
  std::vector<int> oldOf;
  for (int q = 1; q <= fresh->programmeCount; ++q) {
    oldOf.push_back(match->oldOf[q]);
    if (match->oldOf[q] != 0) EXPECT_EQ(match->newOf[match->oldOf[q]], q) << "both ways";
  }
  EXPECT_EQ(oldOf, c.oldOf);
  int paired = 0;
  for (int p = 1; p <= old->programmeCount; ++p) paired += match->newOf[p] != 0;
  EXPECT_EQ(paired,
            static_cast<int>(c.oldOf.size()) - std::count(c.oldOf.begin(), c.oldOf.end(), 0));
}

const std::string kPaddedA = "A" + std::string(19, ' ');
const std::string kPaddedB = "B" + std::string(19, ' ');

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgrammeIdentityTest,
    testing::Values(
        IdentityCase{"same services moved in the list",
                     {{"A", 1}, {"B", 2}, {"C", 3}},
                     {{"C", 3}, {"A", 1}, {"B", 2}},
                     {3, 1, 2}},
        IdentityCase{"renamed", {{"Old Name", 7}}, {{"New Name", 7}}, {1}},
        IdentityCase{"moved to another transponder", {{"A", 7, 1174250}}, {{"A", 7, 1176000}}, {0}},
        IdentityCase{"other polarisation", {{"A", 7, 1174250, 193}}, {{"A", 7, 1174250, 192}}, {0}},
        IdentityCase{
            "other satellite", {{"A", 7, 1174250, 193, 0}}, {{"A", 7, 1174250, 193, 2}}, {0}},
        IdentityCase{"two services with one name",
                     {{"Twin", 1}, {"Twin", 2}},
                     {{"Twin", 2}, {"Twin", 1}},
                     {2, 1}},
        IdentityCase{"service id 0: the name decides",
                     {{"A", 0}, {"B", 0}},
                     {{"B", 0}, {"C", 0}, {"A", 0}},
                     {2, 0, 1}},
        IdentityCase{"service id 0: one name twice, the first with the first",
                     {{"A", 0}, {"A", 0}},
                     {{"A", 0}},
                     {1}},
        IdentityCase{"unique before, shared after: the name decides",
                     {{"A", 0}},
                     {{"B", 0}, {"A", 0}},
                     {0, 1}},
        IdentityCase{"names as the receiver file holds them, blanks to 20",
                     {{kPaddedA, 0}, {kPaddedB, 0}},
                     {{"B", 0}, {"A", 0}},
                     {2, 1}},
        IdentityCase{"an old file with no tables", {}, {{"A", 1}, {"B", 2}}, {0, 0}},
        IdentityCase{"a new file with no tables", {{"A", 1}}, {}, {}}),
    NameField());

// A programme whose transponder index names no transponder (a damaged file)
// is tuned by nothing; it still pairs with its like.
TEST(ProgrammeIdentityTest, TransponderBeyondTheTableCountsAsNone) {
  auto old = TablesOf({{"A", 5}});
  auto fresh = TablesOf({{"A", 5, 0, 0, 0}});
  old->programmes[1].tpIndex = 999;
  auto match = std::make_unique<ProgrammeMatch>();
  MatchProgrammes(*old, *fresh, *match);
  EXPECT_EQ(match->oldOf[1], 1);
}

}  // namespace
}  // namespace tunewerk
