// What the lock and the replacement rely on, pinned on the in-memory drive
// and on the real drive alike: an exclusive create that nothing standing at
// the name lets through, rename over, hard links, removal, and a link that is
// never followed.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/drive.h"
#include "support/memory_drive.h"

#if !defined(__EMSCRIPTEN__) && !defined(_WIN32)
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/system.h"
#endif

namespace tunewerk {
namespace {

// A drive and the means to put things on it behind its back.
class MemoryWorld {
 public:
  Drive& drive() { return drive_; }
  void File(const std::string& name, const std::string& content) { drive_.files[name] = content; }
  void SymbolicLink(const std::string& name, const std::string& target) {
    drive_.symbolicLinks[name] = target;
  }
  void Directory(const std::string& name) { drive_.directories.push_back(name); }
  std::optional<std::string> Content(const std::string& name) {
    auto found = drive_.files.find(name);
    if (found == drive_.files.end()) return std::nullopt;
    return found->second;
  }

 private:
  MemoryDrive drive_;
};

#if !defined(__EMSCRIPTEN__) && !defined(_WIN32)
// The POSIX drive in a fresh folder, entered as -C would.
class PosixWorld {
 public:
  PosixWorld() {
    char pattern[] = "/tmp/tunewerk-drive-XXXXXX";
    folder_ = mkdtemp(pattern);
    char here[4096];
    previous_ = getcwd(here, sizeof here);
    std::string reason;
    EXPECT_TRUE(EnterDirectory(folder_, &reason)) << reason;
    drive_ = MakeSystemDrive(folder_);
  }
  ~PosixWorld() {
    drive_.reset();
    int ignored = chdir(previous_.c_str());
    (void)ignored;
    std::string command = "rm -rf '" + folder_ + "'";
    ignored = system(command.c_str());
  }
  Drive& drive() { return *drive_; }
  void File(const std::string& name, const std::string& content) {
    std::ofstream(name, std::ios::binary) << content;
  }
  void SymbolicLink(const std::string& name, const std::string& target) {
    EXPECT_EQ(symlink(target.c_str(), name.c_str()), 0);
  }
  void Directory(const std::string& name) { EXPECT_EQ(mkdir(name.c_str(), 0755), 0); }
  std::optional<std::string> Content(const std::string& name) {
    struct stat info {};
    if (lstat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::ostringstream text;
    text << std::ifstream(name, std::ios::binary).rdbuf();
    return text.str();
  }

 private:
  std::string folder_;
  std::string previous_;
  std::unique_ptr<Drive> drive_;
};
using Worlds = testing::Types<MemoryWorld, PosixWorld>;
#else
using Worlds = testing::Types<MemoryWorld>;
#endif

template <typename World>
class DriveContractTest : public testing::Test {
 protected:
  World world;
};
TYPED_TEST_SUITE(DriveContractTest, Worlds);

TYPED_TEST(DriveContractTest, AnExclusiveCreateLetsNothingThatStandsThrough) {
  auto& w = this->world;
  w.File("plain", "old");
  w.SymbolicLink("link", "target");
  w.Directory("folder");
  std::string reason;
  std::unique_ptr<WritableFile> file;
  for (const char* name : {"plain", "link", "folder"}) {
    EXPECT_FALSE(w.drive().CreateMarker(name, "new", &reason)) << name;
    EXPECT_EQ(w.drive().LastCreateFailure(), CreateFailure::kExists) << name;
    EXPECT_FALSE(w.drive().CreateNew(name, &file, &reason)) << name;
    EXPECT_EQ(w.drive().LastCreateFailure(), CreateFailure::kExists) << name;
  }
  EXPECT_EQ(w.Content("plain"), "old");
  EXPECT_EQ(w.Content("target"), std::nullopt);  // not created through the link
  EXPECT_TRUE(w.drive().CreateMarker("fresh", "new", &reason)) << reason;
  EXPECT_EQ(w.Content("fresh"), "new");
}

TYPED_TEST(DriveContractTest, RenameReplacesAndALinkIsASecondName) {
  auto& w = this->world;
  w.File("a", "first");
  w.File("b", "second");
  std::string reason;
  bool unsupported = false;
  ASSERT_TRUE(w.drive().Rename("a", "b", &reason)) << reason;
  EXPECT_EQ(w.Content("a"), std::nullopt);
  EXPECT_EQ(w.Content("b"), "first");
  ASSERT_TRUE(w.drive().Link("b", "c", &unsupported, &reason)) << reason;
  EXPECT_EQ(w.Content("c"), "first");
  EXPECT_FALSE(w.drive().Link("b", "c", &unsupported, &reason));
  EXPECT_FALSE(unsupported);  // a name that stands is no reason to move aside
  // Two names of one file: the rename may keep both, and both hold it.
  ASSERT_TRUE(w.drive().Rename("c", "b", &reason)) << reason;
  EXPECT_EQ(w.Content("b"), "first");
}

TYPED_TEST(DriveContractTest, ALinkIsNeverFollowed) {
  auto& w = this->world;
  w.File("target", "outside");
  w.SymbolicLink("link", "target");
  w.Directory("folder");
  w.File("big", std::string(100, 'x'));
  EXPECT_EQ(w.drive().KindOf("link"), EntryKind::kLink);
  EXPECT_EQ(w.drive().KindOf("target"), EntryKind::kFile);
  EXPECT_EQ(w.drive().KindOf("folder"), EntryKind::kDirectory);
  EXPECT_EQ(w.drive().KindOf("none"), EntryKind::kAbsent);
  std::string content, reason;
  bool cut = false;
  EXPECT_FALSE(w.drive().ReadSmallFile("link", 64, &content, &cut, &reason));
  EXPECT_EQ(reason, kNotRegularFileReason);
  EXPECT_FALSE(w.drive().ReadSmallFile("folder", 64, &content, &cut, &reason));
  EXPECT_EQ(reason, kIsDirectoryReason);
  ASSERT_TRUE(w.drive().ReadSmallFile("big", 64, &content, &cut, &reason)) << reason;
  EXPECT_EQ(content, std::string(64, 'x'));
  EXPECT_TRUE(cut);
  // Removing the link removes the link alone; a directory is never removed.
  EXPECT_TRUE(w.drive().Remove("link", &reason)) << reason;
  EXPECT_EQ(w.drive().KindOf("link"), EntryKind::kAbsent);
  EXPECT_EQ(w.Content("target"), "outside");
  EXPECT_FALSE(w.drive().Remove("folder", &reason));
  EXPECT_TRUE(w.drive().Remove("none", &reason));
}

}  // namespace
}  // namespace tunewerk
