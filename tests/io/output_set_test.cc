// The outputs as one set: a run refused by the lock, a replacement that fails
// part-way, and a run killed at every change it makes, each followed by the
// next run's repair.
#include "io/output_set.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/run.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"
#include "support/param_name.h"

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
  int status = RunTunewerk(drive, terminal, error, {.stops = &TestStops()});
  if (transcript) *transcript = terminal.transcript;
  return status;
}

TEST(LockTest, ASecondRunFailsAtOnceAndChangesNothing) {
  MemoryDrive drive;
  drive.files = Drive({true, false, true, false});
  drive.files[TemporaryName("user.drc")] = "a temporary of the run holding the lock";
  ProcessFacts self{"posix", "here", 7, [](std::uint64_t) { return ProcessState::kRunning; }};
  drive.files[kLockName] = "tunewerk lock 1\nkind posix\nhost here\npid 8\nnonce 1234\n";
  Files before = drive.files;
  std::string error;
  MemoryTerminal terminal(kAnswers);
  EXPECT_EQ(RunTunewerk(drive, terminal, &error, {.process = &self, .stops = &TestStops()}), 1);
  EXPECT_EQ(error, "tunewerk: the folder is locked by another run or program\n");
  EXPECT_EQ(terminal.transcript, "");
  EXPECT_EQ(drive.log, (std::vector<std::string>{"mark .tunewerk-lock", "read .tunewerk-lock"}));
  EXPECT_EQ(Changeable(drive.files), Changeable(before));
}

// A replacement that fails puts back what it had changed, or leaves the
// journal and says that the next run puts the old files back; that run does.
struct FaultCase {
  const char* name;
  void (*arrange)(MemoryDrive&);
  int status;
  const char* error;
  bool journalStays;  // the old set comes back with the next run
};

const FaultCase kFaultCases[] = {
    {"first output immutable", [](MemoryDrive& d) { d.immovable = {"user.drc"}; }, 1,
     "tunewerk: cannot replace user.drc: Operation not permitted\n", false},
    {"last output immutable", [](MemoryDrive& d) { d.immovable = {"video.txt"}; }, 1,
     "tunewerk: cannot replace video.txt: Operation not permitted\n", false},
    {"first temporary stuck", [](MemoryDrive& d) { d.immovable = {".tunewerk-user.drc.tmp"}; }, 1,
     "tunewerk: cannot replace user.drc: Operation not permitted\n", false},
    {"last temporary stuck", [](MemoryDrive& d) { d.immovable = {".tunewerk-video.txt.tmp"}; }, 1,
     "tunewerk: cannot replace video.txt: Operation not permitted\n", false},
    {"no hard links, last output immutable",
     [](MemoryDrive& d) {
       d.hardLinks = false;
       d.immovable = {"video.txt"};
     },
     1, "tunewerk: cannot replace video.txt: Operation not permitted\n", false},
    {"the put-back fails too",
     [](MemoryDrive& d) {
       d.immovable = {".tunewerk-video.txt.tmp", ".tunewerk-user.drc.old"};
     },
     1,
     "tunewerk: cannot replace video.txt: Operation not permitted; cannot put back the old "
     "user.drc: Operation not permitted (the next run puts the old files back)\n",
     true},
    {"the journal cannot be removed after the put-back",
     [](MemoryDrive& d) {
       d.immovable = {"video.txt"};
       d.unremovable = {".tunewerk-replacing"};
     },
     1,
     "tunewerk: cannot replace video.txt: Operation not permitted; cannot remove "
     ".tunewerk-replacing: Operation not permitted (the old files are back in place)\n",
     true},
    {"the journal cannot be removed",
     [](MemoryDrive& d) { d.unremovable = {".tunewerk-replacing"}; }, 1,
     "tunewerk: cannot replace the outputs: cannot remove .tunewerk-replacing: Operation not "
     "permitted (the old files are back in place)\n",
     true},
    {"the journal cannot be created",
     [](MemoryDrive& d) { d.refusedCreates = {".tunewerk-replacing"}; }, 1,
     "tunewerk: cannot start replacing the outputs: Permission denied\n", false},
    {"the folder cannot be synced before the commit", [](MemoryDrive& d) { d.failingSyncs = {0}; },
     1, "tunewerk: cannot replace the outputs: Input/output error\n", false},
    {"the folder cannot be synced after the commit", [](MemoryDrive& d) { d.failingSyncs = {1}; },
     0,
     "tunewerk: warning: the outputs were replaced, but the folder could not be synced "
     "(Input/output error): a power loss now could still bring back the old ones\n"
     "tunewerk: warning: no programme was selected; user.drc holds no channels\n",
     false},
    {"a set-aside file cannot be removed after the commit",
     [](MemoryDrive& d) { d.unremovable = {".tunewerk-audio.txt.old"}; }, 0,
     "tunewerk: warning: cannot remove the leftover .tunewerk-audio.txt.old: Operation not "
     "permitted (the next run removes it)\n"
     "tunewerk: warning: no programme was selected; user.drc holds no channels\n",
     false},
    {"an output only linked aside is left alone by the undo",
     [](MemoryDrive& d) {
       d.immovable = {".tunewerk-audio.txt.old", "tunewerk.txt"};
     },
     1, "tunewerk: cannot replace tunewerk.txt: Operation not permitted\n", false},
    {"an output is a symbolic link",
     [](MemoryDrive& d) { d.symbolicLinks["audio.txt"] = "../radio/audio.txt"; }, 1,
     "tunewerk: cannot replace audio.txt: it is a symbolic link to ../radio/audio.txt; tunewerk "
     "writes only plain files in its folder\n",
     false},
};

class ReplacementFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(ReplacementFaultTest, EndsWithOneSetAndTellsOnlyWhatIsTrue) {
  const FaultCase& c = GetParam();
  for (std::vector<bool> existing :
       {std::vector<bool>{true, true, true, true}, std::vector<bool>{true, false, true, true}}) {
    MemoryDrive drive;
    drive.files = Drive(existing);
    drive.metadata["user.drc"] = "0600 alice";
    c.arrange(drive);
    Files before = drive.files;
    std::string error;
    ASSERT_EQ(RunOn(drive, &error), c.status);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(drive.files.count(kReplacingMarkerName) == 1, c.journalStays);
    if (c.status == 0) {
      EXPECT_NE(OutputSet(drive.files), OutputSet(before));
      // Unsynced, the journal may come back: what it needs stays beside it.
      EXPECT_EQ(drive.files.count(SetAsideName("user.drc")),
                error.find("could not be synced") != std::string::npos ? 1u : 0u);
      EXPECT_EQ(drive.metadata["user.drc"], "0600 alice");
    } else if (!c.journalStays) {
      EXPECT_EQ(Changeable(drive.files), Changeable(before));
    } else if (drive.files.count(SetAsideName("user.drc"))) {
      EXPECT_EQ(drive.files.at(SetAsideName("user.drc")), "old user.drc");
    } else {
      EXPECT_EQ(OutputSet(drive.files), OutputSet(before));
    }
    // The next run, without the faults, puts right what is left and fails
    // before it changes anything.
    std::vector<std::string> expected = OutputSet(c.status == 0 ? drive.files : before);
    drive.immovable.clear();
    drive.unremovable.clear();
    drive.failingSyncs.clear();
    drive.files.erase("3ci.drc");
    std::string failure;
    EXPECT_EQ(RunOn(drive, &failure), 1);
    EXPECT_EQ(OutputSet(drive.files), expected);
    EXPECT_FALSE(HasSideFiles(drive.files)) << failure;
    EXPECT_EQ(drive.metadata["user.drc"], "0600 alice");
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, ReplacementFaultTest, testing::ValuesIn(kFaultCases), NameField());

// A journal that cannot be removed stops every later run with the reason
// and names it; "interrupted" is not said of a run that ended with an error.
TEST(ReplacementTest, AJournalThatStaysIsNamedByTheNextRun) {
  MemoryDrive drive;
  drive.files = Drive({true, true, true, true});
  drive.immovable = {"video.txt"};
  drive.unremovable = {".tunewerk-replacing"};
  std::string error;
  ASSERT_EQ(RunOn(drive, &error), 1);
  drive.immovable.clear();
  EXPECT_EQ(RunOn(drive, &error), 1);
  EXPECT_EQ(error,
            "tunewerk: cannot remove .tunewerk-replacing: Operation not permitted (left by an "
            "earlier run; the old files are back in place)\n");
  EXPECT_EQ(OutputSet(drive.files), OutputSet(Drive({true, true, true, true})));
}

// The replacement alone, on outputs "old NAME" and temporaries "new NAME":
// which of the four existed, whether the drive has hard links.
MemoryDrive Prepared(int existed, bool hardLinks) {
  MemoryDrive drive;
  drive.hardLinks = hardLinks;
  for (int i = 0; i < 4; ++i) {
    if (existed & (1 << i)) drive.files[kOutputs[i]] = std::string("old ") + kOutputs[i];
    drive.files[TemporaryName(kOutputs[i])] = std::string("new ") + kOutputs[i];
  }
  return drive;
}

std::vector<std::string> OldSet(int existed) {
  return OutputSet(Prepared(existed, true).files);
}

std::vector<std::string> NewSet() {
  std::vector<std::string> set;
  for (const char* name : kOutputs) set.push_back(std::string("new ") + name);
  return set;
}

// Every set of outputs that existed before, every cut point after each change
// of the replacement (the drive stops changing there, as if the run was
// killed), and every set of temporaries that a stop handler could remove at
// that moment: the next run's repair ends with the old set, or with the new
// set where the run had passed its commit point and said so; no leftovers.
TEST(ReplacementTableTest, EveryCutAndLossOfTemporariesIsRepairedToOneSet) {
  int cases = 0;
  for (int existed = 0; existed < 16; ++existed) {
    for (bool hardLinks : {true, false}) {
      MemoryDrive unfaulted = Prepared(existed, hardLinks);
      std::string failure, warnings;
      ASSERT_TRUE(ReplaceOutputs(unfaulted, TestStops(), kOutputs, &failure, &warnings)) << failure;
      ASSERT_EQ(OutputSet(unfaulted.files), NewSet());
      ASSERT_FALSE(HasSideFiles(unfaulted.files));
      for (std::size_t cut = 0; cut <= unfaulted.changesTried(); ++cut) {
        for (int lost = 0; lost < 16; ++lost) {
          SCOPED_TRACE("existed " + std::to_string(existed) + ", links " +
                       std::to_string(hardLinks) + ", cut after change " + std::to_string(cut) +
                       ", temporaries lost " + std::to_string(lost));
          MemoryDrive drive = Prepared(existed, hardLinks);
          drive.changeLimit = cut;
          failure.clear();
          warnings.clear();
          bool replaced = ReplaceOutputs(drive, TestStops(), kOutputs, &failure, &warnings);
          bool wholeLoss = true;
          for (int i = 0; i < 4; ++i) {
            if (!(lost & (1 << i))) continue;
            wholeLoss = wholeLoss && drive.files.erase(TemporaryName(kOutputs[i])) == 1;
          }
          if (!wholeLoss) continue;  // that temporary was renamed in before the cut
          ++cases;
          bool journal = drive.files.count(kReplacingMarkerName) == 1;
          EXPECT_EQ(failure.find("the next run") != std::string::npos, journal) << failure;
          if (replaced) {
            EXPECT_EQ(OutputSet(drive.files), NewSet());
          }

          drive.changeLimit = static_cast<std::size_t>(-1);
          std::string repairFailure;
          ASSERT_TRUE(RepairOutputs(drive, kOutputs, &repairFailure)) << repairFailure;
          EXPECT_EQ(OutputSet(drive.files), replaced ? NewSet() : OldSet(existed));
          EXPECT_FALSE(HasSideFiles(drive.files));
        }
      }
    }
  }
  EXPECT_GT(cases, 1000);
}

// Every change of the replacement failing alone and with each later one
// (the drive goes on working otherwise): the run ends with the new set and
// exit 0 past the commit point, or with the old set; where the journal
// stays, the line says that the next run puts the old files back, and it does.
TEST(ReplacementTableTest, EveryFailingChangeAloneAndInPairs) {
  for (int existed : {0, 5, 15}) {
    for (bool hardLinks : {true, false}) {
      MemoryDrive unfaulted = Prepared(existed, hardLinks);
      std::string failure, warnings;
      ASSERT_TRUE(ReplaceOutputs(unfaulted, TestStops(), kOutputs, &failure, &warnings));
      std::size_t changes = unfaulted.changesTried() + 12;  // the undo's changes too
      for (std::size_t first = 0; first < changes; ++first) {
        for (std::size_t second = first; second < changes; ++second) {
          SCOPED_TRACE("existed " + std::to_string(existed) + ", links " +
                       std::to_string(hardLinks) + ", failing changes " + std::to_string(first) +
                       " and " + std::to_string(second));
          MemoryDrive drive = Prepared(existed, hardLinks);
          drive.failingChanges = {first, second};
          failure.clear();
          warnings.clear();
          bool replaced = ReplaceOutputs(drive, TestStops(), kOutputs, &failure, &warnings);
          bool journal = drive.files.count(kReplacingMarkerName) == 1;
          if (replaced) {
            EXPECT_EQ(OutputSet(drive.files), NewSet());
            EXPECT_FALSE(journal);
            if (warnings.empty()) {
              EXPECT_FALSE(HasSideFiles(drive.files));
            }
          } else {
            EXPECT_EQ(failure.find("the next run puts") != std::string::npos ||
                          failure.find("the old files are back in place") != std::string::npos,
                      journal)
                << failure;
            if (!journal) {
              EXPECT_EQ(OutputSet(drive.files), OldSet(existed));
            }
          }
          drive.failingChanges.clear();
          std::string repairFailure;
          ASSERT_TRUE(RepairOutputs(drive, kOutputs, &repairFailure)) << repairFailure;
          EXPECT_EQ(OutputSet(drive.files), replaced ? NewSet() : OldSet(existed));
          EXPECT_FALSE(HasSideFiles(drive.files));
        }
      }
    }
  }
}

// A journal cut short was never synced, so its run had changed nothing, and
// one that names other files is not the run's: the repair drops it with the
// leftovers and removes no output; a set-aside file whose output is missing
// goes back.
TEST(ReplacementTest, AnIncompleteOrForeignJournalRemovesNoOutput) {
  for (const char* text :
       {"", "tunewerk replacing\n", "tunewerk replacing\nabsent user.drc\n",
        "tunewerk replacing\nabsent 3ci.drc\nabsent user.drc\nend\n",
        "tunewerk replacing\nexisted user.drc\nabse", "tunewerk replacing 2\nabsent audio.txt\n"}) {
    MemoryDrive drive = Prepared(15, true);
    drive.files[kReplacingMarkerName] = text;
    drive.files[SetAsideName("audio.txt")] = "old audio.txt";
    drive.files.erase("audio.txt");
    drive.files["3ci.drc"] = "input";
    std::string failure;
    ASSERT_TRUE(RepairOutputs(drive, kOutputs, &failure)) << failure;
    EXPECT_EQ(OutputSet(drive.files), OldSet(15)) << text;
    EXPECT_EQ(drive.files["3ci.drc"], "input");
    EXPECT_FALSE(HasSideFiles(drive.files));
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

// A journal the repair cannot trust stops the run before the banner with one
// line, and nothing changes: a later version, one that is not a plain file,
// a set-aside name holding something a run never puts there.
TEST(ReplacementTest, AJournalOrSetAsideFileItCannotTrustStopsTheRun) {
  const std::string journal = "tunewerk replacing 2\nexisted user.drc\nend\n";
  const char kEarlier[] = " (left by an earlier run that was replacing the outputs)\n";
  struct Case {
    const char* name;
    void (*arrange)(MemoryDrive&, const std::string&);
    std::string error;
  } cases[] = {
      {"a later version",
       [](MemoryDrive& d, const std::string&) {
         d.files[kReplacingMarkerName] = "tunewerk replacing 3\nmoved user.drc\nend\n";
       },
       "tunewerk: cannot read .tunewerk-replacing: it is a journal of version 3, which this "
       "tunewerk does not know"},
      {"a journal that is a link",
       [](MemoryDrive& d, const std::string&) {
         d.symbolicLinks[kReplacingMarkerName] = "../elsewhere";
       },
       "tunewerk: cannot read .tunewerk-replacing: Not a regular file"},
      {"a set-aside link",
       [](MemoryDrive& d, const std::string& j) {
         d.files[kReplacingMarkerName] = j;
         d.symbolicLinks[SetAsideName("user.drc")] = "../outside";
       },
       "tunewerk: cannot put back the old user.drc: .tunewerk-user.drc.old is not a plain file"},
      {"a set-aside directory",
       [](MemoryDrive& d, const std::string& j) {
         d.files[kReplacingMarkerName] = j;
         d.directories.push_back(SetAsideName("user.drc"));
       },
       "tunewerk: cannot put back the old user.drc: .tunewerk-user.drc.old is not a plain file"},
      {"a set-aside FIFO beside a missing output",
       [](MemoryDrive& d, const std::string&) {
         d.files.erase("user.drc");
         d.specialFiles.push_back(SetAsideName("user.drc"));
       },
       "tunewerk: cannot put back the old user.drc: .tunewerk-user.drc.old is not a plain file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryDrive drive;
    drive.files = Drive({true, true, true, true});
    drive.files[kReplacingMarkerName] = "tunewerk replacing\n";  // incomplete: changed nothing
    c.arrange(drive, journal);
    Files before = drive.files;
    std::string error, transcript;
    EXPECT_EQ(RunOn(drive, &error, &transcript), 1);
    EXPECT_EQ(error, c.error + kEarlier);
    EXPECT_EQ(transcript, "");
    EXPECT_EQ(drive.files, before);
  }
}

// Held for good only once the replacement begins; every shorter hold is
// released, and after a failed run a stop finds nothing of its to remove.
TEST(ReplacementTest, StopsAreHeldOnlyOnceTheReplacementBegins) {
  for (bool succeeds : {false, true}) {
    MemoryDrive drive;
    drive.files = Drive({true, true, true, true});
    if (!succeeds) drive.files.erase("3ci.drc");
    MemoryStops stops;
    MemoryTerminal terminal(kAnswers);
    std::string error;
    EXPECT_EQ(RunTunewerk(drive, terminal, &error, {.stops = &stops}), succeeds ? 0 : 1);
    EXPECT_EQ(stops.heldToEnd, succeeds);
    EXPECT_EQ(stops.holds, 0);
    if (!succeeds) {
      EXPECT_TRUE(stops.remembered.empty());
    }
  }
}

}  // namespace
}  // namespace tunewerk
