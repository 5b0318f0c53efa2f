// One run per folder: what a run finds under the lock's name decides whether
// it takes the folder, and what it leaves there.
#include "app/folder_lock.h"

#include <gtest/gtest.h>

#include <string>

#include "support/memory_drive.h"
#include "support/param_name.h"

namespace tunewerk {
namespace {

// This run is process 7 on "here"; process 8 runs, every other is gone.
const ProcessFacts kSelf{"posix", "here", 7, [](std::uint64_t pid) {
                           return pid == 8 || pid == 7 ? ProcessState::kRunning
                                                       : ProcessState::kGone;
                         }};

std::string Lock(const char* kind, const char* host, int pid) {
  return std::string("tunewerk lock 1\nkind ") + kind + "\nhost " + host + "\npid " +
         std::to_string(pid) + "\nnonce 0123456789abcdef\n";
}

const std::string kLive = Lock("posix", "here", 8);
const std::string kStale = Lock("posix", "here", 9);
constexpr char kOurs[] = "ours";  // lockAfter: this run's lock

// Another run takes the stale lock over between this run's judgement and its
// rename: the lock this run then moves aside is a live one.
class RacedDrive : public MemoryDrive {
 public:
  bool Rename(std::string_view from, std::string_view to, std::string* reason) override {
    if (from == kLockName && !raced_) {
      raced_ = true;
      files[kLockName] = kLive;
    }
    return MemoryDrive::Rename(from, to, reason);
  }

 private:
  bool raced_ = false;
};

struct LockCase {
  const char* name;
  void (*arrange)(MemoryDrive&);
  const char* problem;    // "" when the run takes the folder
  const char* lockAfter;  // what stands under the name then; nullptr: nothing
};

const LockCase kLockCases[] = {
    {"a free folder", [](MemoryDrive&) {}, "", kOurs},
    {"a running holder", [](MemoryDrive& d) { d.files[kLockName] = kLive; },
     "the folder is locked by another run or program", "live"},
    {"a holder that is gone", [](MemoryDrive& d) { d.files[kLockName] = kStale; }, "", kOurs},
    {"an earlier process with this run's id",
     [](MemoryDrive& d) { d.files[kLockName] = Lock("posix", "here", 7); }, "", kOurs},
    {"a holder on another host",
     [](MemoryDrive& d) { d.files[kLockName] = Lock("posix", "there", 9); },
     "the folder is locked by process 9 (posix) on there, which this run cannot ask; if no run "
     "uses the folder, remove .tunewerk-lock",
     "kept"},
    {"a holder of another kind",
     [](MemoryDrive& d) { d.files[kLockName] = Lock("windows", "here", 9); },
     "the folder is locked by process 9 (windows) on here, which this run cannot ask; if no run "
     "uses the folder, remove .tunewerk-lock",
     "kept"},
    {"an empty lock (a run killed before it wrote)",
     [](MemoryDrive& d) { d.files[kLockName] = ""; }, "", kOurs},
    {"a lock cut short", [](MemoryDrive& d) { d.files[kLockName] = kStale.substr(0, 20); }, "",
     kOurs},
    {"a file that is not a lock", [](MemoryDrive& d) { d.files[kLockName] = "notes\n"; },
     "the folder is locked, but .tunewerk-lock is not tunewerk's lock; if no run uses the folder, "
     "remove .tunewerk-lock",
     "kept"},
    {"a later version",
     [](MemoryDrive& d) { d.files[kLockName] = "tunewerk lock 2\nholder 9 here\n"; },
     "the folder is locked by a tunewerk that writes locks of version 2; if no run uses the "
     "folder, remove .tunewerk-lock",
     "kept"},
    {"a symbolic link", [](MemoryDrive& d) { d.symbolicLinks[kLockName] = "../outside/notes.txt"; },
     "cannot lock this folder: .tunewerk-lock: it is a symbolic link; tunewerk locks the folder "
     "with a plain file of that name",
     nullptr},
    {"a directory", [](MemoryDrive& d) { d.directories.push_back(kLockName); },
     "cannot lock this folder: .tunewerk-lock: it is a directory; tunewerk locks the folder with "
     "a plain file of that name",
     nullptr},
    {"a FIFO", [](MemoryDrive& d) { d.specialFiles.push_back(kLockName); },
     "cannot lock this folder: .tunewerk-lock: it is not a plain file; tunewerk locks the folder "
     "with a plain file of that name",
     nullptr},
    {"a stale lock that cannot be moved",
     [](MemoryDrive& d) {
       d.files[kLockName] = kStale;
       d.immovable.push_back(kLockName);
     },
     "cannot take over .tunewerk-lock, left by a run that ended: Operation not permitted; if no "
     "run uses the folder, remove .tunewerk-lock",
     "kept"},
    {"a name that refuses the create but never shows",
     [](MemoryDrive& d) { d.unseenNames.push_back(kLockName); },
     "cannot lock this folder: .tunewerk-lock stands but cannot be read (a link that leads "
     "nowhere?); if no run uses the folder, remove .tunewerk-lock",
     nullptr},
    {"no rights to create files", [](MemoryDrive& d) { d.lockDenied = true; },
     "cannot lock this folder: Access denied", nullptr},
};

class FolderLockTest : public testing::TestWithParam<LockCase> {};

TEST_P(FolderLockTest, TakesTheFolderOnlyWhenItIsFree) {
  const LockCase& c = GetParam();
  MemoryDrive drive;
  c.arrange(drive);
  const auto before = drive.files;
  FolderLock lock(TestStops());
  std::string problem;
  EXPECT_EQ(lock.Take(drive, kSelf, &problem), c.problem[0] == '\0');
  EXPECT_EQ(problem, c.problem);
  auto found = drive.files.find(kLockName);
  std::string after = found == drive.files.end() ? "" : found->second;
  if (c.lockAfter == nullptr) {
    EXPECT_EQ(found, drive.files.end());
  } else if (c.lockAfter == kOurs) {
    EXPECT_NE(after.find("\nhost here\npid 7\n"), std::string::npos) << after;
  } else {
    EXPECT_EQ(after, before.at(kLockName));
  }
  lock.Release(drive);
  // Only this run's own lock goes; no name of its own stays behind.
  auto expected = before;
  if (c.lockAfter == kOurs) expected.erase(kLockName);
  EXPECT_EQ(drive.files, expected);
}

INSTANTIATE_TEST_SUITE_P(Found, FolderLockTest, testing::ValuesIn(kLockCases), NameField());

TEST(FolderLockTest, OfTwoRunsTakingOverOnlyOneWins) {
  RacedDrive drive;
  drive.files[kLockName] = kStale;
  FolderLock lock(TestStops());
  std::string problem;
  EXPECT_FALSE(lock.Take(drive, kSelf, &problem));
  EXPECT_EQ(problem, "the folder is locked by another run or program");
  EXPECT_EQ(drive.files, (std::map<std::string, std::string>{{kLockName, kLive}}));
}

// This run was so slow to write its new lock that another run took the empty
// file for one left behind and put its own in its place.
class OvertakenDrive : public MemoryDrive {
 public:
  bool CreateMarker(std::string_view name, std::string_view content, std::string* reason) override {
    bool created = MemoryDrive::CreateMarker(name, content, reason);
    if (created && !overtaken_) {
      overtaken_ = true;
      files[kLockName] = kLive;
    }
    return created;
  }

 private:
  bool overtaken_ = false;
};

TEST(FolderLockTest, AWriterOvertakenWhileWritingDoesNotHoldTheFolder) {
  OvertakenDrive drive;
  FolderLock lock(TestStops());
  std::string problem;
  EXPECT_FALSE(lock.Take(drive, kSelf, &problem));
  EXPECT_EQ(problem, "the folder is locked by another run or program");
  lock.Release(drive);
  EXPECT_EQ(drive.files, (std::map<std::string, std::string>{{kLockName, kLive}}));
}

TEST(FolderLockTest, ALockThatIsNoLongerThisRunsStays) {
  MemoryDrive drive;
  FolderLock lock(TestStops());
  std::string problem;
  ASSERT_TRUE(lock.Take(drive, kSelf, &problem));
  drive.files[kLockName] = kLive;
  lock.Release(drive);
  EXPECT_EQ(drive.files[kLockName], kLive);
}

}  // namespace
}  // namespace tunewerk
