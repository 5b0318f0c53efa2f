#include "app/run.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sdx/sdx_lines.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"
#include "support/param_name.h"

namespace tunewerk {
namespace {

// A settings file listing 27 satellites at positions 0..26.
std::string SmallSettings() {
  std::string text = "EXCLUDE\r\nEND\r\nASTRA\r\n";
  for (int s = 0; s < 27; ++s) text += std::to_string(s) + "\r\nname\r\n";
  return text;
}

const char kHead[] =
    "Tunewerk 1.06 for Radix 3CI-Advanced by Ostervald\n"
    "Store old drc-file as 3ci.drc, SDX-list as user.sdx and vaz3er.ini in C:\\\n"
    "User.drc, audio.txt, video.txt and tunewerk.txt will be generated in C:\\\n"
    "\n"
    "Include scrambled programmes (y=yes)? y\n"
    "Include C-Band (y=yes)? y\n";

class RunTest : public testing::Test {
 protected:
  void SetUp() override {
    drive.files["vaz3er.ini"] = SmallSettings();
    drive.files["user.sdx"] = "x";
    drive.files["3ci.drc"] = std::string(27012, 'h');
  }

  int Run(const std::string& answers, bool keepOrder = false) {
    MemoryTerminal terminal(answers);
    error.clear();
    int status =
        RunTunewerk(drive, terminal, &error, {.keepOrder = keepOrder, .stops = &TestStops()});
    transcript = terminal.transcript;
    return status;
  }

  // The drive without the inputs.
  std::map<std::string, std::string> Outputs() const {
    auto files = drive.files;
    files.erase("vaz3er.ini");
    files.erase("user.sdx");
    files.erase("3ci.drc");
    return files;
  }

  MemoryDrive drive;
  std::string transcript;
  std::string error;
};

TEST_F(RunTest, ProgressLinesStandOnTheirRowsWithSorting) {
  EXPECT_EQ(Run("y\ny\n\ny\n"), 0);
  EXPECT_EQ(error, "tunewerk: warning: no programme was selected; user.drc holds no channels\n");
  EXPECT_EQ(transcript, std::string(kHead) +
                            "Sort alphabetically by satellite (n=no)?\n"
                            "Include feeds & test cards (y=yes)? y\n"
                            "\n"
                            "Reading INI\n"
                            "INI ok. Now processing SDX-data:\n"
                            "x\n"
                            "\n"
                            "\n"
                            "...complete.\n"
                            "sorting\n"
                            "... complete\n"
                            "generating files\n"
                            "files generated successfully\n");
}

TEST_F(RunTest, ProgressLinesStandOnTheirRowsWithoutSorting) {
  EXPECT_EQ(Run("y\ny\nn\ny\n"), 0);
  EXPECT_EQ(transcript, std::string(kHead) +
                            "Sort alphabetically by satellite (n=no)? n\n"
                            "Include feeds & test cards (y=yes)? y\n"
                            "\n"
                            "Reading INI\n"
                            "INI ok. Now processing SDX-data:\n"
                            "x\n"
                            "\n"
                            "\n"
                            "...complete.\n"
                            "generating files\n"
                            "files generated successfully\n");
}

TEST_F(RunTest, FilesAreOpenedCreatedAndReplacedInTheirOrder) {
  drive.files["audio.txt"] = "old audio";
  EXPECT_EQ(Run("y\ny\n\ny\n"), 0);
  std::vector<std::string> expected = {"mark .tunewerk-lock",
                                       "read .tunewerk-lock",
                                       "open vaz3er.ini",
                                       "open user.sdx",
                                       "create .tunewerk-user.drc.tmp",
                                       "create .tunewerk-tunewerk.txt.tmp",
                                       "open 3ci.drc",
                                       "create .tunewerk-audio.txt.tmp",
                                       "create .tunewerk-video.txt.tmp",
                                       "keep audio.txt .tunewerk-audio.txt.tmp",
                                       "mark .tunewerk-replacing",
                                       "link audio.txt .tunewerk-audio.txt.old",
                                       "rename .tunewerk-user.drc.tmp user.drc",
                                       "rename .tunewerk-tunewerk.txt.tmp tunewerk.txt",
                                       "rename .tunewerk-audio.txt.tmp audio.txt",
                                       "rename .tunewerk-video.txt.tmp video.txt",
                                       "sync",
                                       "remove .tunewerk-replacing",
                                       "sync",
                                       "read .tunewerk-lock",
                                       "remove .tunewerk-lock"};
  std::vector<std::string> changes;
  for (const std::string& entry : drive.log) {
    if (entry.rfind("remove .tunewerk-user", 0) != 0 && entry.rfind("remove .tunewerk-t", 0) != 0 &&
        entry.rfind("remove .tunewerk-a", 0) != 0 && entry.rfind("remove .tunewerk-v", 0) != 0) {
      changes.push_back(entry);
    }
  }
  EXPECT_EQ(changes, expected);
  auto outputs = Outputs();
  EXPECT_EQ(outputs.size(), 4u);
  for (const char* name : {"user.drc", "tunewerk.txt", "audio.txt", "video.txt"}) {
    EXPECT_EQ(outputs.count(name), 1u) << name;
  }
}

struct FaultCase {
  const char* name;
  void (*arrange)(MemoryDrive&);
  const char* lastLine;
  const char* error;
  bool keepOrder = false;
};

const FaultCase kFaultCases[] = {
    {"no settings", [](MemoryDrive& d) { d.files.erase("vaz3er.ini"); }, "Reading INI",
     "tunewerk: cannot open vaz3er.ini: No such file or directory\n"},
    {"no list", [](MemoryDrive& d) { d.files.erase("user.sdx"); },
     "INI ok. Now processing SDX-data:",
     "tunewerk: cannot open user.sdx: No such file or directory\n"},
    {"no old receiver file", [](MemoryDrive& d) { d.files.erase("3ci.drc"); }, "generating files",
     "tunewerk: cannot open 3ci.drc: No such file or directory\n"},
    {"old receiver file too short", [](MemoryDrive& d) { d.files["3ci.drc"].resize(27000); },
     "generating files",
     "tunewerk: cannot copy the receiver's settings from 3ci.drc: it has 27,000 bytes, 27,012 "
     "are needed\n"},
    {"receiver file refused",
     [](MemoryDrive& d) { d.refusedCreates.push_back(TemporaryName("user.drc")); },
     "generating files", "tunewerk: cannot create user.drc: Permission denied\n"},
    {"video list refused",
     [](MemoryDrive& d) { d.refusedCreates.push_back(TemporaryName("video.txt")); },
     "generating files", "tunewerk: cannot create video.txt: Permission denied\n"},
    {"disk full", [](MemoryDrive& d) { d.writeLimit = 100000; }, "generating files",
     "tunewerk: cannot write user.drc: No space left on device\n"},
    {"last output cannot be replaced", [](MemoryDrive& d) { d.directories.push_back("video.txt"); },
     "generating files", "tunewerk: cannot replace video.txt: Is a directory\n"},
    {"new receiver file cannot be renamed in",
     [](MemoryDrive& d) { d.immovable.push_back(".tunewerk-user.drc.tmp"); }, "generating files",
     "tunewerk: cannot replace user.drc: Operation not permitted\n"},
    {"receiver file denied for lack of rights",
     [](MemoryDrive& d) {
       d.refusedCreates.push_back(TemporaryName("user.drc"));
       d.refusalsForRights = true;
     },
     "generating files",
     "tunewerk: cannot create user.drc: Access denied; name a folder with -C (for instance "
     "tunewerk.exe -C D:\\Receiver)\n"},
    // --keep-order reads the old file's tables once it is open: it fails
    // where and as a run without it does, and a file that is not a receiver
    // file is told as such.
    {"keep-order, no old receiver file", [](MemoryDrive& d) { d.files.erase("3ci.drc"); },
     "generating files", "tunewerk: cannot open 3ci.drc: No such file or directory\n", true},
    {"keep-order, old receiver file too short",
     [](MemoryDrive& d) { d.files["3ci.drc"].resize(27000); }, "generating files",
     "tunewerk: cannot copy the receiver's settings from 3ci.drc: it has 27,000 bytes, 27,012 "
     "are needed\n",
     true},
    {"keep-order, old receiver file without section markers",
     [](MemoryDrive& d) { d.files["3ci.drc"].assign(475029, '\0'); }, "generating files",
     "tunewerk: --keep-order: 3ci.drc is not a receiver channel file: no section marker at "
     "offset 27012\n",
     true},
    {"keep-order, old receiver file unreadable",
     [](MemoryDrive& d) {
       d.files["3ci.drc"].assign(475029, '\0');
       d.failingReads["3ci.drc"] = 30000;
     },
     "generating files", "tunewerk: cannot read 3ci.drc: Input/output error\n", true},
};

class RunFaultTest : public RunTest, public testing::WithParamInterface<FaultCase> {};

// Each missing or failing file: exit 1, one stderr line, the console stops
// where the failure happened, and every output stays as it was.
TEST_P(RunFaultTest, FailureLeavesOutputsUntouched) {
  const FaultCase& c = GetParam();
  drive.files["user.drc"] = "old drc";
  drive.files["audio.txt"] = "old audio";
  auto before = Outputs();
  c.arrange(drive);
  EXPECT_EQ(Run("y\ny\n\ny\n", c.keepOrder), 1);
  EXPECT_EQ(error, c.error);
  std::string last = transcript.substr(transcript.rfind('\n', transcript.size() - 2) + 1);
  EXPECT_EQ(last, std::string(c.lastLine) + "\n");
  EXPECT_EQ(Outputs(), before);
}

INSTANTIATE_TEST_SUITE_P(Faults, RunFaultTest, testing::ValuesIn(kFaultCases), NameField());

struct BesideProgramCase {
  const char* name;
  void (*arrange)(MemoryDrive&);
  bool (*inProgramFolder)(const std::string& path);
  const char* error;
};

const BesideProgramCase kBesideProgramCases[] = {
    {"settings beside the program", [](MemoryDrive& d) { d.files.erase("vaz3er.ini"); },
     [](const std::string& path) { return path == "D:\\Tune werk\\vaz3er.ini"; },
     "tunewerk: cannot open vaz3er.ini: No such file or directory; vaz3er.ini lies beside the "
     "program in D:\\Tune werk\\: to use that folder, double-click \"Tunewerk here.cmd\" there "
     "or name it with -C\n"},
    {"old receiver file beside the program", [](MemoryDrive& d) { d.files.erase("3ci.drc"); },
     [](const std::string& path) { return path == "D:\\Tune werk\\3ci.drc"; },
     "tunewerk: cannot open 3ci.drc: No such file or directory; 3ci.drc lies beside the program "
     "in D:\\Tune werk\\: to use that folder, double-click \"Tunewerk here.cmd\" there or "
     "name it with -C\n"},
    {"list a directory, not missing", [](MemoryDrive& d) { d.directories.push_back("user.sdx"); },
     [](const std::string&) { return true; }, "tunewerk: cannot open user.sdx: Is a directory\n"},
};

class BesideProgramTest : public RunTest, public testing::WithParamInterface<BesideProgramCase> {};

// Inputs put beside the program instead of in drive C: the line says where
// they are and how to use that folder.
TEST_P(BesideProgramTest, MissingInputNamesTheProgramFolder) {
  const BesideProgramCase& c = GetParam();
  c.arrange(drive);
  MemoryTerminal terminal("y\ny\n\ny\n");
  EXPECT_EQ(
      RunTunewerk(drive, terminal, &error,
                  {.programFolder = {"D:\\Tune werk\\", c.inProgramFolder}, .stops = &TestStops()}),
      1);
  EXPECT_EQ(error, c.error);
}

INSTANTIATE_TEST_SUITE_P(Inputs, BesideProgramTest, testing::ValuesIn(kBesideProgramCases),
                         NameField());

TEST_F(RunTest, ALockDeniedForLackOfRightsNamesAnotherFolder) {
  drive.lockDenied = true;
  auto before = drive.files;
  EXPECT_EQ(Run("y\ny\n\ny\n"), 1);
  EXPECT_EQ(error,
            "tunewerk: cannot lock this folder: Access denied; name a folder with -C (for "
            "instance tunewerk.exe -C D:\\Receiver)\n");
  EXPECT_EQ(drive.files, before);
}

// The run as main ends it: its error line, then the close prompt where the
// window closes with the process. Answers are typed at a console (Enter is CR).
struct WindowCase {
  const char* name;
  ConsoleWindow window;
  bool listMissing;
  bool prompts;
};

const WindowCase kWindowCases[] = {
    {"own window", {1, true, true}, false, true},
    {"own window after a failure", {1, true, true}, true, true},
    {"command prompt", {2, true, true}, false, false},
    {"input redirected", {1, false, true}, false, false},
    {"output redirected", {1, true, false}, true, false},
    {"no console", {0, false, false}, false, false},
};

class WindowTest : public RunTest, public testing::WithParamInterface<WindowCase> {};

TEST_P(WindowTest, ClosePromptOnlyInAWindowOfItsOwn) {
  const WindowCase& c = GetParam();
  if (c.listMissing) drive.files.erase("user.sdx");
  MemoryTerminal terminal("y\ry\r\ry\rseen\rleft");
  terminal.consoleKeys = true;
  terminal.window = c.window;
  int status = RunTunewerk(drive, terminal, &error, {.stops = &TestStops()});
  WaitForEnterBeforeClosing(terminal, status);
  EXPECT_EQ(status, c.listMissing ? 1 : 0);
  EXPECT_EQ(terminal.shownAfterRun, c.prompts ? "Press Enter to close this window." : "");
  EXPECT_EQ(terminal.statusOnStop, c.prompts ? status : -1);
  // The wait reads up to Enter and no further.
  EXPECT_EQ(terminal.Unread(), c.prompts ? "left" : "seen\rleft");
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowTest, testing::ValuesIn(kWindowCases), NameField());

// Ctrl-Z and Enter at a console question stops the run as Ctrl-D does on a
// POSIX terminal; keys typed between the two are dropped.
TEST_F(RunTest, CtrlZAndEnterAtAConsoleQuestionCancelsTheRun) {
  for (const char* keys : {"\x1a\r", "y\rn\x1a\r", "y\r\x1ay\r\ry\r", "y\ry\r\ry\x1a\r"}) {
    SCOPED_TRACE(ParamName(keys));
    drive.files["tunewerk.txt"] = "old listing";
    auto before = drive.files;
    MemoryTerminal terminal(keys);
    terminal.consoleKeys = true;
    EXPECT_EQ(RunTunewerk(drive, terminal, &error, {.stops = &TestStops()}), 1);
    EXPECT_EQ(error, "tunewerk: cancelled at a question (end of input); no file was changed\n");
    EXPECT_EQ(drive.files, before);
  }
}

// A list of `count` programmes on one transponder.
std::string Programmes(int count) {
  std::vector<Rec> records;
  for (int i = 1; i <= count; ++i) {
    Rec r;
    r.videoPid = Number(i, 4);
    records.push_back(r);
  }
  return SdxFile(records);
}

// A list of `count` transponders with one programme each.
std::string Transponders(int count) {
  std::vector<Rec> records;
  for (int i = 0; i < count; ++i) {
    Rec r;
    r.frequency = Number(1100000 + i, 8);
    records.push_back(r);
  }
  return SdxFile(records);
}

const char kCut[] =
    "tunewerk: warning: the import stopped at the receiver's limit of 2,999 programmes; the "
    "rest of user.sdx was not read\n";
const char kNothing[] =
    "tunewerk: warning: no programme was selected; user.drc holds no channels\n";

struct WarningCase {
  const char* name;
  std::string (*list)();
  const char* warnings;
};

// The lists are built when a case runs: some hold thousands of records.
const WarningCase kWarningCases[] = {
    {"one programme", [] { return Programmes(1); }, ""},
    {"exactly the limit", [] { return Programmes(2999); }, ""},
    {"limit, then only line ends", [] { return Programmes(2999) + "\r\n\n\r"; }, ""},
    {"limit, then a line", [] { return Programmes(2999) + "x"; }, kCut},
    {"limit, then a blank", [] { return Programmes(2999) + "\r\n "; }, kCut},
    {"limit, then Ctrl-Z", [] { return Programmes(2999) + "\r\n\x1a more"; }, ""},
    {"past the limit", [] { return Programmes(3000); }, kCut},
    {"past the transponder limit", [] { return Transponders(1000); },
     "tunewerk: warning: the import stopped at the receiver's limit of 999 transponders; the "
     "rest of user.sdx was not read\n"},
    {"nothing selected", [] { return std::string("SDX channel list\r\n"); }, kNothing},
    {"empty list", [] { return std::string(); }, kNothing},
};

class RunWarningTest : public RunTest, public testing::WithParamInterface<WarningCase> {};

// A successful run ends with a warning line on stderr for a list cut at the
// receiver's limit with content left, and for a run that selected nothing.
TEST_P(RunWarningTest, FollowsASuccessfulRun) {
  drive.files["user.sdx"] = GetParam().list();
  EXPECT_EQ(Run("y\ny\n\ny\n"), 0);
  EXPECT_EQ(error, GetParam().warnings);
}

INSTANTIATE_TEST_SUITE_P(Warnings, RunWarningTest, testing::ValuesIn(kWarningCases), NameField());

TEST_F(RunTest, StaleTemporariesOfAKilledRunAreRemoved) {
  drive.files[TemporaryName("user.drc")] = "partial";
  drive.files[TemporaryName("video.txt")] = "partial";
  drive.files.erase("user.sdx");  // even a failing run cleans up
  EXPECT_EQ(Run("\n\n\n\n"), 1);
  EXPECT_TRUE(Outputs().empty());
}

}  // namespace
}  // namespace tunewerk
