#ifndef TUNEWERK_TESTS_SUPPORT_MEMORY_DRIVE_H_
#define TUNEWERK_TESTS_SUPPORT_MEMORY_DRIVE_H_

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "platform/drive.h"

namespace tunewerk {

// Drive C in memory, for tests and the fuzzer. Files are byte strings keyed by
// name; temporaries are kept under their own keys so a test can see them.
// Faults can be injected: an unreadable file, a refused create, a write limit,
// refused renames, a folder locked by another run, and a drive that stops
// changing after a number of operations (as if the run was killed there).
class MemoryDrive : public Drive {
 public:
  std::map<std::string, std::string> files;
  // Names where a directory stands: it cannot be removed or opened.
  std::vector<std::string> directories;
  // Names whose reads fail after the first `readableBytes` bytes.
  std::map<std::string, std::size_t> failingReads;
  // Names whose creation is refused.
  std::vector<std::string> refusedCreates;
  // Those refusals are for lack of rights ("Access denied").
  bool refusalsForRights = false;
  // The lock file cannot be created for lack of rights.
  bool lockDenied = false;
  // Total bytes all writes may put out before a write fails ("disk full").
  std::size_t writeLimit = static_cast<std::size_t>(-1);
  bool refuseRenames = false;
  // Names that cannot be renamed away (an immutable file).
  std::vector<std::string> immovable;
  // Creates, renames and removals that take effect; every later one fails.
  std::size_t changeLimit = static_cast<std::size_t>(-1);
  bool lockedByOther = false;
  bool stopsHeld = false;
  // Every operation in order, e.g. "open user.sdx", "create user.drc",
  // "rename .tunewerk-user.drc.tmp user.drc".
  std::vector<std::string> log;

  static std::string TemporaryName(const std::string& name) {
    return tunewerk::TemporaryName(name);
  }

  bool LockFolder(std::string* problem) override;
  bool OpenExisting(std::string_view name, std::unique_ptr<ReadableFile>* file, std::string* shown,
                    std::string* reason) override;
  bool CreateTemporary(std::string_view name, std::unique_ptr<WritableFile>* file,
                       std::string* reason) override;
  EntryKind KindOf(std::string_view name) override;
  bool Rename(std::string_view from, std::string_view to, std::string* reason) override;
  bool Remove(std::string_view name, std::string* reason) override;
  bool CreateMarker(std::string_view name, std::string* reason) override;
  bool SyncFolder(std::string*) override { return true; }
  void HoldStopsToEnd() override { stopsHeld = true; }
  void RemoveTemporary(std::string_view name) override;
  std::string ShownName(std::string_view name) const override { return std::string(name); }
  bool CreateDeniedForRights() const override { return createDenied_; }

 private:
  bool IsDirectory(const std::string& name) const;
  // Counts one change; false (with *reason) once the drive stopped changing.
  bool AllowChange(std::string* reason);

  bool createDenied_ = false;
  std::size_t written_ = 0;
  std::size_t changes_ = 0;
  friend class MemoryWritableFile;
};

}  // namespace tunewerk

#endif  // TUNEWERK_TESTS_SUPPORT_MEMORY_DRIVE_H_
