#ifndef TUNEWERK_PLATFORM_MEMORY_DRIVE_H_
#define TUNEWERK_PLATFORM_MEMORY_DRIVE_H_

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "platform/drive.h"

namespace tunewerk {

// Drive C in memory, for tests and the fuzzer. Files are byte strings keyed by
// name; temporaries are kept under their own keys so a test can see them.
// Faults can be injected: an unreadable file, a refused create, a write limit.
class MemoryDrive : public Drive {
 public:
  std::map<std::string, std::string> files;
  // Names whose reads fail after the first `readableBytes` bytes.
  std::map<std::string, std::size_t> failingReads;
  // Names whose creation is refused.
  std::vector<std::string> refusedCreates;
  // Total bytes all writes may put out before a write fails ("disk full").
  std::size_t writeLimit = static_cast<std::size_t>(-1);
  bool refuseRenames = false;
  // Names that cannot be replaced (as if a directory stood there).
  std::vector<std::string> unreplaceable;
  // Every operation in order, e.g. "open user.sdx", "create user.drc".
  std::vector<std::string> log;

  static std::string TemporaryName(const std::string& name) { return ".tunewerk-" + name + ".tmp"; }

  bool OpenExisting(std::string_view name, std::unique_ptr<ReadableFile>* file, std::string* shown,
                    std::string* reason) override;
  bool CreateTemporary(std::string_view name, std::unique_ptr<WritableFile>* file,
                       std::string* reason) override;
  bool CheckReplaceable(std::string_view name, std::string* reason) override;
  bool ReplaceWithTemporary(std::string_view name, std::string* reason) override;
  void RemoveTemporary(std::string_view name) override;
  std::string ShownName(std::string_view name) const override { return std::string(name); }

 private:
  std::size_t written_ = 0;
  friend class MemoryWritableFile;
};

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_MEMORY_DRIVE_H_
