#include "app/dialogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/transcript.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"
#include "support/param_name.h"

namespace tunewerk {
namespace {

RunOptions AnswerAll(const std::string& input, std::string* transcript = nullptr) {
  MemoryTerminal terminal(input);
  FileErrorState state;
  Console console(terminal, state);
  RunOptions options;
  AskQuestions(console, options);
  console.Finish();
  if (transcript) *transcript = terminal.transcript;
  return options;
}

struct AnswerCase {
  const char* answer;
  bool yes;  // questions 1, 2 and 4
  bool sort;
};

const AnswerCase kAnswerCases[] = {
    {"y", true, true},
    {"Y", false, true},
    {"yes", false, true},
    {"y ", false, true},
    {" y", false, true},
    {"", false, true},
    {"n", false, false},
    {"N", false, true},
    {"no", false, true},
    {"y\r", true, true},    // CR LF line end
    {"n\r", false, false},  //
    {"y\b", false, true},   // a typed backspace is kept
    {"yyyyyyyyyyyyyyyyyyyyyyyyy", false, true},
};

class AnswerTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(AnswerTest, OnlyTheExactLetterCounts) {
  const AnswerCase& c = GetParam();
  std::string line = std::string(c.answer) + "\n";
  RunOptions options = AnswerAll(line + line + line + line);
  EXPECT_EQ(options.includeScrambled, c.yes);
  EXPECT_EQ(options.includeCBand, c.yes);
  EXPECT_EQ(options.sortBySatellite, c.sort);
  EXPECT_EQ(options.includeFeeds, c.yes);
}

INSTANTIATE_TEST_SUITE_P(Answers, AnswerTest, testing::ValuesIn(kAnswerCases),
                         [](const testing::TestParamInfo<AnswerCase>& param) {
                           return ParamName(param.param.answer);
                         });

TEST(DialogueTest, EachAnswerSetsItsOwnOption) {
  RunOptions options = AnswerAll("n\ny\nn\ny\n");
  EXPECT_FALSE(options.includeScrambled);
  EXPECT_TRUE(options.includeCBand);
  EXPECT_FALSE(options.sortBySatellite);
  EXPECT_TRUE(options.includeFeeds);
}

TEST(DialogueTest, RestOfALongAnswerNeverReachesTheNextQuestion) {
  // 25 characters: the first 20 are compared, the last five ("yyyyy") dropped.
  RunOptions options = AnswerAll("xxxxxxxxxxxxxxxxxxxxyyyyy\ny\nn\ny\n");
  EXPECT_FALSE(options.includeScrambled);
  EXPECT_TRUE(options.includeCBand);
  EXPECT_FALSE(options.sortBySatellite);
  EXPECT_TRUE(options.includeFeeds);
}

TEST(DialogueTest, EndOfInputGivesEmptyAnswers) {
  RunOptions options = AnswerAll("y");  // no line end at all
  EXPECT_TRUE(options.includeScrambled);
  EXPECT_FALSE(options.includeCBand);
  EXPECT_TRUE(options.sortBySatellite);
  EXPECT_FALSE(options.includeFeeds);
}

TEST(DialogueTest, AnswersAreEchoedAfterThePromptOneRowEach) {
  std::string transcript;
  AnswerAll("y\r\nno\n\nabcdefghijklmnopqrstuvwxyz\n", &transcript);
  EXPECT_EQ(transcript,
            "Include scrambled programmes (y=yes)? y\n"
            "Include C-Band (y=yes)? no\n"
            "Sort alphabetically by satellite (n=no)?\n"
            "Include feeds & test cards (y=yes)? abcdefghijklmnopqrstuvwxyz\n");
}

// A live terminal's view of the dialogue: the last picture shown and whether
// it was forced (a live backend may skip the others) whenever an answer starts
// to be read.
class RecordingTerminal : public MemoryTerminal {
 public:
  using MemoryTerminal::MemoryTerminal;

  struct Shown {
    bool forced;
    std::string picture;
  };
  std::vector<Shown> atAnswerStart;
  Shown last{false, ""};

  void Refresh(const Screen& screen, Redraw when) override {
    last = {when == Redraw::kNow, RenderTranscript(screen)};
  }
  int ReadInputByte() override {
    if (answerStarts_) atAnswerStart.push_back(last);
    int byte = MemoryTerminal::ReadInputByte();
    answerStarts_ = byte == '\n';
    return byte;
  }

 private:
  bool answerStarts_ = true;
};

TEST(DialogueTest, EachQuestionIsShownForcedBeforeItsAnswerIsRead) {
  RecordingTerminal terminal("y\nn\n\nyes\n");
  FileErrorState state;
  Console console(terminal, state);
  ShowBanner(console);
  RunOptions options;
  AskQuestions(console, options);

  const char* prompts[] = {"Include scrambled programmes (y=yes)?", "Include C-Band (y=yes)?",
                           "Sort alphabetically by satellite (n=no)?",
                           "Include feeds & test cards (y=yes)?"};
  ASSERT_EQ(terminal.atAnswerStart.size(), 4u);
  for (int q = 0; q < 4; ++q) {
    const RecordingTerminal::Shown& shown = terminal.atAnswerStart[q];
    EXPECT_TRUE(shown.forced) << prompts[q];
    std::string lastLine =
        shown.picture.substr(shown.picture.rfind('\n', shown.picture.size() - 2) + 1);
    EXPECT_EQ(lastLine, std::string(prompts[q]) + "\n");
  }
  // The last answer, echoed, is on screen once the dialogue is over.
  EXPECT_TRUE(terminal.last.forced);
  EXPECT_NE(terminal.last.picture.find("Include feeds & test cards (y=yes)? yes\n"),
            std::string::npos);
}

TEST(DialogueTest, BannerTakesTheMagentaBackgroundOnlyOnItsOwnCharacters) {
  MemoryTerminal terminal("");
  FileErrorState state;
  Console console(terminal, state);
  ShowBanner(console);
  const Screen& screen = console.screen();
  const std::string banner = "Tunewerk 1.06 for Radix 3CI-Advanced by Ostervald";
  for (int column = 1; column <= screen.width(); ++column) {
    std::uint8_t expected = column <= static_cast<int>(banner.size()) ? 0x50 : 0x07;
    EXPECT_EQ(screen.At(column, 1).attribute, expected) << column;
  }
  EXPECT_EQ(screen.At(1, 2).attribute, 0x07);
  EXPECT_EQ(screen.attribute(), 0x07);
  EXPECT_EQ(screen.cursorRow(), 5);
  EXPECT_EQ(screen.cursorColumn(), 1);
}

TEST(RecordEchoTest, ShowsFirstRecordOnRow12AndLaterOnesFromRow13) {
  FileErrorState state;
  MemoryTerminal terminal("");
  Console console(terminal, state);
  RecordEcho echo(console);
  echo.Take("first record\r");
  echo.Take("\n" + std::string(85, 'x') + "\r");
  echo.Take("\nshort\r");
  std::string expected =
      std::string(11, '\n') + "first record\n" + "short" + std::string(75, 'x') + "\n" + "xxxxx\n";
  EXPECT_EQ(RenderTranscript(console.screen()), expected);
  EXPECT_EQ(console.screen().cursorColumn(), 1);
  EXPECT_EQ(console.screen().cursorRow(), 13);
}

}  // namespace
}  // namespace tunewerk
