// The outputs as one set: a run refused by the lock, a replacement that fails
// part-way, and a run killed at every change it makes, each followed by the
// next run's repair.
#include "app/replacement.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/run.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"

namespace tunewerk {
namespace {

constexpr const char* kOutputs[] = {"user.drc", "tunewerk.txt", "audio.txt", "video.txt"};
constexpr char kAnswers[] = "y\ny\n\ny\n";

using Files = std::map<std::string, std::string>;

std::string Settings() {
  std::string text = "EXCLUDE\r\nEND\r\nASTRA\r\n";
  for (int s = 0; s < 27; ++s) text += std::to_string(s) + "\r\nname\r\n";
  return text;
}

constexpr char kList[] =
    "0001      Sample TP     TMPG201197000 0Channel 192 ESTAR     LINE  27500 0160 0161 0162 "
    "00001     12345eng                  \r\n";

// Inputs, and old outputs for those of `existing` that are true.
Files Drive(std::vector<bool> existing) {
  Files files = {
      {"vaz3er.ini", Settings()}, {"user.sdx", kList}, {"3ci.drc", std::string(27012, 'h')}};
  for (std::size_t i = 0; i < existing.size(); ++i) {
    if (existing[i]) files[kOutputs[i]] = std::string("old ") + kOutputs[i];
  }
  return files;
}

// The four outputs as they stand (absent ones as "-").
std::vector<std::string> OutputSet(const Files& files) {
  std::vector<std::string> set;
  for (const char* name : kOutputs) {
    auto found = files.find(name);
    set.push_back(found == files.end() ? "-" : found->second);
  }
  return set;
}

// The drive without the unchanging inputs.
Files Changeable(Files files) {
  for (const char* input : {"vaz3er.ini", "user.sdx", "3ci.drc"}) files.erase(input);
  return files;
}

bool HasSideFiles(const Files& files) {
  for (const auto& [name, content] : files) {
    if (name.rfind(".tunewerk-", 0) == 0) return true;
  }
  return false;
}

int RunOn(MemoryDrive& drive, std::string* error, std::string* transcript = nullptr) {
  MemoryTerminal terminal(kAnswers);
  int status = RunTunewerk(drive, terminal, error);
  if (transcript) *transcript = terminal.transcript;
  return status;
}

TEST(LockTest, ASecondRunFailsAtOnceAndChangesNothing) {
  MemoryDrive drive;
  drive.files = Drive({true, false, true, false});
  drive.files[TemporaryName("user.drc")] = "a temporary of the run holding the lock";
  drive.lockedByOther = true;
  Files before = drive.files;
  std::string error, transcript;
  EXPECT_EQ(RunOn(drive, &error, &transcript), 1);
  EXPECT_EQ(error, "tunewerk: another run is using this folder\n");
  EXPECT_EQ(transcript, "");
  EXPECT_EQ(drive.log, std::vector<std::string>{"lock"});
  EXPECT_EQ(Changeable(drive.files), Changeable(before));
}

// A replacement that fails on one name puts back what it had changed.
TEST(ReplacementTest, AFailureOnAnyOutputLeavesTheOldSet) {
  struct Case {
    const char* immovable;
    const char* error;
  } cases[] = {
      {"user.drc", "tunewerk: cannot replace user.drc: Operation not permitted\n"},
      {"video.txt", "tunewerk: cannot replace video.txt: Operation not permitted\n"},
      {".tunewerk-user.drc.tmp", "tunewerk: cannot replace user.drc: Operation not permitted\n"},
      {".tunewerk-video.txt.tmp", "tunewerk: cannot replace video.txt: Operation not permitted\n"},
  };
  for (const Case& c : cases) {
    for (std::vector<bool> existing :
         {std::vector<bool>{true, true, true, true}, std::vector<bool>{true, false, false, true}}) {
      MemoryDrive drive;
      drive.files = Drive(existing);
      drive.immovable.push_back(c.immovable);
      Files before = drive.files;
      std::string error;
      EXPECT_EQ(RunOn(drive, &error), 1) << c.immovable;
      EXPECT_EQ(error, c.error);
      EXPECT_EQ(Changeable(drive.files), Changeable(before)) << c.immovable;
    }
  }
}

// After a run killed at any change it makes (the drive stops changing there),
// the next run's repair leaves the old set or the new set, nothing mixed and
// no leftovers; a run that reports success has the new set in place. A
// replacement that fails first is killed during its undo as well.
TEST(ReplacementTest, ARunKilledAnywhereIsRepairedToOneSet) {
  struct Case {
    const char* name;
    std::vector<bool> existing;
    const char* immovable;
  } cases[] = {
      {"all outputs exist", {true, true, true, true}, ""},
      {"no output exists", {false, false, false, false}, ""},
      {"some outputs exist", {true, false, true, false}, ""},
      {"undo after the third is moved aside", {true, true, true, true}, "video.txt"},
      {"undo after three are in place", {false, true, true, true}, ".tunewerk-video.txt.tmp"},
  };
  for (const Case& c : cases) {
    MemoryDrive unfaulted;
    unfaulted.files = Drive(c.existing);
    std::string error;
    ASSERT_EQ(RunOn(unfaulted, &error), 0);
    const std::vector<std::string> newSet = OutputSet(unfaulted.files);
    const std::vector<std::string> oldSet = OutputSet(Drive(c.existing));

    bool finished = false;
    for (std::size_t limit = 0; !finished; ++limit) {
      SCOPED_TRACE(std::string(c.name) + ", killed after change " + std::to_string(limit));
      MemoryDrive drive;
      drive.files = Drive(c.existing);
      drive.changeLimit = limit;
      if (*c.immovable) drive.immovable.push_back(c.immovable);
      int status = RunOn(drive, &error);
      if (status == 0) {
        EXPECT_EQ(OutputSet(drive.files), newSet);
      }
      finished = status == 0 || (*c.immovable && limit > 40);

      drive.changeLimit = static_cast<std::size_t>(-1);
      std::string failure;
      ASSERT_TRUE(RepairOutputs(drive, kOutputs, &failure)) << failure;
      std::vector<std::string> set = OutputSet(drive.files);
      EXPECT_TRUE(set == oldSet || set == newSet);
      if (*c.immovable) {
        EXPECT_EQ(set, oldSet);
      }
      EXPECT_FALSE(HasSideFiles(drive.files));
    }
  }
}

// What the next run cannot clear away stops it before the banner, naming
// the file and why.
TEST(ReplacementTest, ALeftoverThatCannotBeRemovedIsNamed) {
  struct Case {
    std::string directory;
    const char* error;
  } cases[] = {
      {".tunewerk-video.txt.tmp",
       "tunewerk: cannot remove the leftover .tunewerk-video.txt.tmp: Is a directory\n"},
      {".tunewerk-user.drc.old",
       "tunewerk: cannot remove the leftover .tunewerk-user.drc.old: Is a directory\n"},
      {".tunewerk-replacing",
       "tunewerk: cannot remove the leftover .tunewerk-replacing: Is a directory\n"},
  };
  for (const Case& c : cases) {
    MemoryDrive drive;
    drive.files = Drive({true, true, true, true});
    drive.directories.push_back(c.directory);
    Files before = drive.files;
    std::string error, transcript;
    EXPECT_EQ(RunOn(drive, &error, &transcript), 1);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(transcript, "");
    EXPECT_EQ(Changeable(drive.files), Changeable(before));
  }
}

TEST(ReplacementTest, StopsAreHeldOnlyOnceTheReplacementBegins) {
  MemoryDrive failing;
  failing.files = Drive({true, true, true, true});
  failing.files.erase("3ci.drc");
  std::string error;
  EXPECT_EQ(RunOn(failing, &error), 1);
  EXPECT_FALSE(failing.stopsHeld);
  MemoryDrive succeeding;
  succeeding.files = Drive({true, true, true, true});
  EXPECT_EQ(RunOn(succeeding, &error), 0);
  EXPECT_TRUE(succeeding.stopsHeld);
}

}  // namespace
}  // namespace tunewerk
