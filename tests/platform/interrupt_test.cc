#include "platform/interrupt.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/param_name.h"

namespace tunewerk {
namespace {

// Remember `path` for `output`; an empty path forgets the output.
struct Step {
  std::string output;
  std::string path;
};

struct TableCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<std::string> deleted;  // what a stop would delete, slot by slot ("" for none)
};

const std::string kTooLong(TemporaryTable::kPathCapacity, 'x');
const std::string kLongest(TemporaryTable::kPathCapacity - 1, 'y');

const TableCase kTableCases[] = {
    {"nothing remembered", {}, {"", "", "", "", ""}},
    {"one output", {{"user.drc", "t.drc"}}, {"t.drc", "", "", "", ""}},
    {"outputs take slots in turn",
     {{"user.drc", "t.drc"}, {"audio.txt", "t.aud"}},
     {"t.drc", "t.aud", "", "", ""}},
    {"renamed into place",
     {{"user.drc", "t.drc"}, {"audio.txt", "t.aud"}, {"user.drc", ""}},
     {"", "t.aud", "", "", ""}},
    {"created again keeps its slot",
     {{"user.drc", "t.drc"}, {"audio.txt", "t.aud"}, {"user.drc", ""}, {"user.drc", "u.drc"}},
     {"u.drc", "t.aud", "", "", ""}},
    {"forgetting an unknown output changes nothing",
     {{"user.drc", "t.drc"}, {"video.txt", ""}, {"audio.txt", "t.aud"}},
     {"t.drc", "t.aud", "", "", ""}},
    {"the longest path fits", {{"user.drc", kLongest}}, {kLongest, "", "", "", ""}},
    {"a path too long is not kept and drops the older one",
     {{"user.drc", "t.drc"}, {"user.drc", kTooLong}},
     {"", "", "", "", ""}},
    {"a sixth file finds no slot",
     {{"a", "t.a"}, {"b", "t.b"}, {"c", "t.c"}, {"d", "t.d"}, {"e", "t.e"}, {"f", "t.f"}},
     {"t.a", "t.b", "t.c", "t.d", "t.e"}},
    {"slots stay bound after a forget",
     {{"a", "t.a"},
      {"b", "t.b"},
      {"c", "t.c"},
      {"d", "t.d"},
      {"e", "t.e"},
      {"a", ""},
      {"f", "t.f"}},
     {"", "t.b", "t.c", "t.d", "t.e"}},
};

class TemporaryTableTest : public testing::TestWithParam<TableCase> {};

TEST_P(TemporaryTableTest, StopDeletesWhatIsRemembered) {
  auto table = std::make_unique<TemporaryTable>();
  for (const Step& step : GetParam().steps) {
    if (step.path.empty()) {
      table->Forget(step.output);
    } else {
      table->Remember(step.output, step.path);
    }
  }
  std::vector<std::string> deleted;
  for (int i = 0; i < TemporaryTable::kSlots; ++i) {
    const char* path = table->Path(i);
    deleted.push_back(path != nullptr ? path : "");
  }
  EXPECT_EQ(deleted, GetParam().deleted);
  EXPECT_EQ(table->Path(-1), nullptr);
  EXPECT_EQ(table->Path(TemporaryTable::kSlots), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Steps, TemporaryTableTest, testing::ValuesIn(kTableCases), NameField());

}  // namespace
}  // namespace tunewerk
