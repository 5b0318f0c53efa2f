// Answers given as options against the same answers typed: same screen,
// same files, and nothing read from standard input.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/run.h"
#include "sdx/sdx_lines.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"

namespace tunewerk {
namespace {

// Settings numbering positions 19 and 192 as satellites 2 and 1.
std::string Settings() {
  std::string text = "EXCLUDE\r\nEND\r\nASTRA\r\n192\r\nfirst\r\n19\r\nsecond\r\n";
  for (int s = 3; s <= 27; ++s) text += std::to_string(200 + s) + "\r\nother\r\n";
  return text;
}

// One record that each answer decides on, and two satellites to sort.
std::string ChannelList() {
  std::vector<Rec> records(5);
  records[0].name = "Zeta";
  records[1].name = "Alpha";
  records[1].pos = "019";
  records[1].frequency = "01100000";
  records[1].sid = "00002";
  records[2].name = "Pay";
  records[2].ca = "0B00";
  records[2].sid = "00003";
  records[3].name = "Cee";
  records[3].frequency = "00400000";
  records[3].sid = "00004";
  records[4].name = "Sport Feed";
  records[4].sid = "00005";
  return SdxFile(records);
}

struct Outcome {
  int status;
  std::string transcript;
  std::map<std::string, std::string> files;
};

Outcome RunWith(const std::string& input, const GivenAnswers* given) {
  MemoryDrive drive;
  drive.files["vaz3er.ini"] = Settings();
  drive.files["user.sdx"] = ChannelList();
  drive.files["3ci.drc"] = std::string(27012, 'h');
  MemoryTerminal terminal(input);
  std::string error;
  int status = RunTunewerk(drive, terminal, &error, {.given = given, .stops = &TestStops()});
  EXPECT_EQ(error, "");
  return {status, terminal.transcript, drive.files};
}

class GivenAnswersTest : public testing::TestWithParam<int> {};

// Parameter bits: scrambled, C band, unsorted, feeds.
TEST_P(GivenAnswersTest, EqualTheSameAnswersTyped) {
  int bits = GetParam();
  GivenAnswers given{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
  std::string typed = std::string(given.scrambled ? "y" : "") + "\n" + (given.cBand ? "y" : "") +
                      "\n" + (given.unsorted ? "n" : "") + "\n" + (given.feeds ? "y" : "") + "\n";
  Outcome expected = RunWith(typed, nullptr);
  // Input the opposite of each given answer: read, it would change the outcome.
  std::string opposite = std::string(given.scrambled ? "" : "y") + "\n" + (given.cBand ? "" : "y") +
                         "\n" + (given.unsorted ? "" : "n") + "\n" + (given.feeds ? "" : "y") +
                         "\n";
  Outcome outcome = RunWith(opposite, &given);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.transcript, expected.transcript);
  EXPECT_EQ(outcome.files, expected.files);
}

// The answers that are yes, in parameter bit order: "CBandFeeds", "AllNo".
std::string YesAnswers(const testing::TestParamInfo<int>& info) {
  static const char* const kNames[] = {"Scrambled", "CBand", "Unsorted", "Feeds"};
  std::string name;
  for (int bit = 0; bit < 4; ++bit) {
    if (info.param & (1 << bit)) name += kNames[bit];
  }
  return name.empty() ? "AllNo" : name;
}

INSTANTIATE_TEST_SUITE_P(AllSixteen, GivenAnswersTest, testing::Range(0, 16), YesAnswers);

}  // namespace
}  // namespace tunewerk
