#include "report/station_lists.h"

#include <gtest/gtest.h>

#include <string>

#include "io/file_error_state.h"
#include "io/files.h"
#include "support/memory_drive.h"
#include "support/param_name.h"
#include "support/written_file.h"

namespace tunewerk {
namespace {

struct StationLineCase {
  const char* name;
  std::uint16_t number;
  const char* lang;
  const char* displayName;
  std::uint16_t orbitalPos;
  const char* expected;
};

const StationLineCase kStationLineCases[] = {
    {"first TV programme", 1, "deu", "Sample Channel  192 ", 192,
     "deu    1 Sample Channel  192  192\r\n"},
    {"twelfth radio programme", 12, "eng", "Sample Radio    192 ", 192,
     "eng   12 Sample Radio    192  192\r\n"},
    {"feed shows the added 500", 3, "deu", "Test Card       192 ", 692,
     "deu    3 Test Card       192  692\r\n"},
    {"small position right-aligned", 4, "fra", "Kanal           5   ", 5,
     "fra    4 Kanal           5      5\r\n"},
    {"number wider than its field", 12345, "ita", "Ria", 999, "ita 12345 Ria 999\r\n"},
    {"texts as held", 2, "", "", 13, "    2   13\r\n"},
};

class StationLineTest : public testing::TestWithParam<StationLineCase> {};

TEST_P(StationLineTest, StationLines) {
  const StationLineCase& c = GetParam();
  ProgrammeEntry p;
  p.audioCount = 1;
  p.audioLang[0].Assign(c.lang);
  p.displayName.Assign(c.displayName);
  p.orbitalPos = c.orbitalPos;
  EXPECT_EQ(WrittenFile("video.txt", [&](OutputFile& o) { WriteStationLine(o, c.number, p); }),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, StationLineTest, testing::ValuesIn(kStationLineCases), NameField());

}  // namespace
}  // namespace tunewerk
