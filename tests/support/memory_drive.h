#ifndef TUNEWERK_TESTS_SUPPORT_MEMORY_DRIVE_H_
#define TUNEWERK_TESTS_SUPPORT_MEMORY_DRIVE_H_

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "io/output_set.h"
#include "platform/drive.h"
#include "support/memory_stops.h"

namespace tunewerk {

// Drive C in memory, for tests and the fuzzer. Files are byte strings keyed by
// name; temporaries are kept under their own keys so a test can see them.
// Hard links are names of one file: a rename between two of them leaves both,
// as on POSIX. Faults can be injected: an unreadable file, a refused create,
// a write limit, refused renames or removals, a folder locked by another run,
// a change that fails alone, and a drive that stops changing after a number
// of changes (as if the run was killed there). Another run's lock is a file
// under the lock's name.
class MemoryDrive : public Drive {
 public:
  std::map<std::string, std::string> files;
  // Names where a directory stands: it cannot be removed or opened.
  std::vector<std::string> directories;
  // Symbolic links by name, with where each points; KindOf says kLink.
  std::map<std::string, std::string> symbolicLinks;
  // What KeepMetadata copies (say "0600 alice"), by file name; follows renames
  // and links.
  std::map<std::string, std::string> metadata;
  // Names whose reads fail after the first `readableBytes` bytes.
  std::map<std::string, std::size_t> failingReads;
  // Names whose creation (temporary or marker) is refused.
  std::vector<std::string> refusedCreates;
  // Those refusals are for lack of rights ("Access denied").
  bool refusalsForRights = false;
  // The lock file cannot be created for lack of rights.
  bool lockDenied = false;
  // Names that refuse a create as taken while KindOf finds nothing there: a
  // link that leads nowhere, where the system follows links (wine).
  std::vector<std::string> unseenNames;
  // Names (FIFOs, devices) that KindOf reports as kOther; nothing reads them.
  std::vector<std::string> specialFiles;
  // Total bytes all writes may put out before a write fails ("disk full").
  std::size_t writeLimit = static_cast<std::size_t>(-1);
  bool refuseRenames = false;
  // False: the drive has no hard links (Link fails, unsupported).
  bool hardLinks = true;
  // Names that can be neither renamed nor replaced nor linked (an immutable file).
  std::vector<std::string> immovable;
  // Names that cannot be removed.
  std::vector<std::string> unremovable;
  // Changes (creates, links, renames, removals, metadata, folder syncs) tried
  // before every later one fails, as if the run was killed there.
  std::size_t changeLimit = static_cast<std::size_t>(-1);
  // Changes, numbered from 0 in the order tried, that fail alone.
  std::set<std::size_t> failingChanges;
  // Folder syncs, numbered from 0, that fail alone.
  std::set<std::size_t> failingSyncs;
  // Every operation in order, e.g. "open user.sdx", "create .tunewerk-user.drc.tmp",
  // "rename .tunewerk-user.drc.tmp user.drc", "link user.drc
  // .tunewerk-user.drc.old", "sync".
  std::vector<std::string> log;

  bool OpenExisting(std::string_view name, std::unique_ptr<ReadableFile>* file, std::string* shown,
                    std::string* reason) override;
  bool CreateNew(std::string_view name, std::unique_ptr<WritableFile>* file,
                 std::string* reason) override;
  EntryKind KindOf(std::string_view name) override;
  bool ReadSmallFile(std::string_view name, std::size_t capacity, std::string* content, bool* cut,
                     std::string* reason) override;
  std::string LinkTarget(std::string_view name) override;
  bool Rename(std::string_view from, std::string_view to, std::string* reason) override;
  bool Link(std::string_view from, std::string_view to, bool* unsupported,
            std::string* reason) override;
  bool KeepMetadata(std::string_view from, std::string_view to, std::string* reason) override;
  bool Remove(std::string_view name, std::string* reason) override;
  bool CreateMarker(std::string_view name, std::string_view content, std::string* reason) override;
  bool SyncFolder(std::string* reason) override;
  std::string ShownName(std::string_view name) const override { return std::string(name); }
  CreateFailure LastCreateFailure() const override { return lastCreate_; }

  // How many changes were tried so far (the next one's number).
  std::size_t changesTried() const { return changes_; }

 private:
  bool IsDirectory(const std::string& name) const;
  bool Listed(const std::vector<std::string>& names, const std::string& name) const;
  // Counts one change; false (with *reason) once the drive stopped changing
  // or where this change fails. The folder's lock is not counted: the
  // numbers are the replacement's steps.
  bool AllowChange(std::string* reason, const std::string& name = "");
  // Moves or drops the file `from` with what belongs to it.
  void MoveEntry(const std::string& from, const std::string& to);
  void DropEntry(const std::string& name);

  CreateFailure lastCreate_ = CreateFailure::kNone;
  std::size_t written_ = 0;
  std::size_t changes_ = 0;
  std::size_t syncs_ = 0;
  int nextFile_ = 0;
  // The file each name is a name of, for names that were linked.
  std::map<std::string, int> fileOf_;
  friend class MemoryWritableFile;
};

}  // namespace tunewerk

#endif  // TUNEWERK_TESTS_SUPPORT_MEMORY_DRIVE_H_
