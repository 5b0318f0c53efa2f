#include "console/console.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/dialogue.h"
#include "app/run.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"

namespace tunewerk {
namespace {

// Keeps what each redraw showed and when the program read a typed byte.
class RecordingTerminal : public MemoryTerminal {
 public:
  using MemoryTerminal::MemoryTerminal;

  struct Event {
    bool read = false;
    bool forced = false;
    std::string row;  // the cursor's row as drawn
  };

  int ReadInputByte() override {
    events.push_back({true, false, ""});
    return MemoryTerminal::ReadInputByte();
  }
  void Refresh(const Screen& screen, Redraw when) override {
    std::string row;
    for (int column = 1; column < screen.cursorColumn(); ++column) {
      row.push_back(static_cast<char>(screen.At(column, screen.cursorRow()).character));
    }
    events.push_back({false, when == Redraw::kNow, row});
  }

  std::vector<Event> events;
};

TEST(ConsoleTest, EachQuestionIsDrawnInFullBeforeItsAnswerIsRead) {
  RecordingTerminal terminal("y\nn\n\ny\n");
  FileErrorState state;
  Console console(terminal, state);
  RunOptions options;
  AskQuestions(console, options);
  const char* prompts[] = {"Include scrambled programmes (y=yes)? ", "Include C-Band (y=yes)? ",
                           "Sort alphabetically by satellite (n=no)? ",
                           "Include feeds & test cards (y=yes)? "};
  const std::string input = "y\nn\n\ny\n";
  int question = 0;
  std::size_t byte = 0;  // the input byte each read returns
  for (std::size_t i = 0; i < terminal.events.size(); ++i) {
    if (!terminal.events[i].read) continue;
    bool firstOfLine = byte == 0 || input[byte - 1] == '\n';
    ++byte;
    if (!firstOfLine) continue;
    ASSERT_LT(question, 4) << "read past the fourth answer";
    ASSERT_GT(i, 0u);
    EXPECT_TRUE(terminal.events[i - 1].forced) << question;
    EXPECT_EQ(terminal.events[i - 1].row, prompts[question]) << question;
    ++question;
  }
  EXPECT_EQ(question, 4);
}

std::string SmallSettings() {
  std::string text = "EXCLUDE\r\nEND\r\nASTRA\r\n";
  for (int s = 0; s < 27; ++s) text += std::to_string(s) + "\r\nname\r\n";
  return text;
}

struct StreamCase {
  const char* name;
  std::string input;
  bool interactive;
  bool inputFailsAtEnd;
  bool outputFails;
  bool listMissing;
  int status;
  std::string errorLine;
  bool replaced;
  int readsAfterStop;  // bytes asked for after the run stopped
};

class ConsoleStreamTest : public testing::TestWithParam<StreamCase> {};

TEST_P(ConsoleStreamTest, StandardStreamsStopTheRunCleanly) {
  const StreamCase& c = GetParam();
  MemoryDrive drive;
  drive.files["vaz3er.ini"] = SmallSettings();
  if (!c.listMissing) drive.files["user.sdx"] = "x";
  drive.files["3ci.drc"] = std::string(27012, 'h');
  drive.files["tunewerk.txt"] = "old listing";
  RecordingTerminal terminal(c.input);
  terminal.interactive = c.interactive;
  terminal.inputFailsAtEnd = c.inputFailsAtEnd;
  terminal.outputFails = c.outputFails;
  std::string error;
  EXPECT_EQ(RunTunewerk(drive, terminal, &error, {.stops = &TestStops()}), c.status);
  EXPECT_EQ(error, c.errorLine);
  EXPECT_EQ(drive.files["tunewerk.txt"] != "old listing", c.replaced);
  EXPECT_EQ(drive.files.count("user.drc"), c.replaced ? 1u : 0u);
  int reads = 0;
  for (const auto& event : terminal.events) reads += event.read;
  EXPECT_EQ(reads, static_cast<int>(c.input.size()) + 1 + c.readsAfterStop);
}

const char kNothingChanged[] = "; no file was changed\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleStreamTest,
    testing::Values(
        StreamCase{"PipeEndGivesEmptyAnswers", "y\n", false, false, false, false, 0,
                   "tunewerk: warning: no programme was selected; user.drc holds no channels\n",
                   true, 2},
        StreamCase{
            "TerminalEndCancels", "", true, false, false, false, 1,
            std::string("tunewerk: cancelled at a question (end of input)") + kNothingChanged,
            false, 0},
        StreamCase{
            "TerminalEndWithinTheThirdAnswerCancels", "y\nn\nx", true, false, false, false, 1,
            std::string("tunewerk: cancelled at a question (end of input)") + kNothingChanged,
            false, 0},
        StreamCase{"ReadErrorFails", "y\n", false, true, false, false, 1,
                   std::string("tunewerk: cannot read standard input: Input/output error") +
                       kNothingChanged,
                   false, 0},
        StreamCase{"TranscriptWriteFailsAfterTheFilesWereReplaced", "y\ny\n\ny", false, false, true,
                   false, 1,
                   "tunewerk: cannot write to standard output: No space left on device; the four "
                   "files were generated\n",
                   true, 0},
        StreamCase{"FileFailureIsReportedBeforeAStreamFailure", "y\ny\n\ny\n", false, false, true,
                   true, 1, "tunewerk: cannot open user.sdx: No such file or directory\n", false,
                   -1}),
    [](const testing::TestParamInfo<StreamCase>& param) { return param.param.name; });

}  // namespace
}  // namespace tunewerk
