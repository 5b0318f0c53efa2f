#include "support/memory_drive.h"

#include <algorithm>
#include <cstring>

namespace tunewerk {

namespace {

class MemoryReadableFile : public ReadableFile {
 public:
  MemoryReadableFile(std::string content, std::size_t failAfter)
      : content_(std::move(content)), failAfter_(failAfter) {}

  bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* got,
            std::string* reason) override {
    if (position_ >= failAfter_) {
      *reason = "Input/output error";
      return false;
    }
    std::size_t end = std::min({content_.size(), position_ + capacity, failAfter_});
    *got = end > position_ ? end - position_ : 0;
    std::memcpy(buffer, content_.data() + position_, *got);
    position_ += *got;
    return true;
  }

 private:
  std::string content_;
  std::size_t failAfter_;
  std::size_t position_ = 0;
};

}  // namespace

class MemoryWritableFile : public WritableFile {
 public:
  MemoryWritableFile(MemoryDrive& drive, std::string key) : drive_(drive), key_(std::move(key)) {}

  bool Write(const std::uint8_t* data, std::size_t size, std::string* reason) override {
    if (drive_.changes_ >= drive_.changeLimit) {
      *reason = "Input/output error";
      return false;
    }
    if (drive_.written_ + size > drive_.writeLimit) {
      *reason = "No space left on device";
      return false;
    }
    drive_.written_ += size;
    drive_.files[key_].append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  bool Close(std::string*) override { return true; }

 private:
  MemoryDrive& drive_;
  std::string key_;
};

bool MemoryDrive::LockFolder(std::string* problem) {
  log.push_back("lock");
  if (lockDenied) {
    createDenied_ = true;
    *problem = "cannot lock this folder: Access denied";
    return false;
  }
  if (!lockedByOther) return true;
  *problem = "another run is using this folder";
  return false;
}

bool MemoryDrive::OpenExisting(std::string_view name, std::unique_ptr<ReadableFile>* file,
                               std::string* shown, std::string* reason) {
  std::string key(name);
  log.push_back("open " + key);
  *shown = key;
  if (IsDirectory(key)) {
    *reason = kIsDirectoryReason;
    return false;
  }
  auto found = files.find(key);
  if (found == files.end()) {
    *reason = "No such file or directory";
    return false;
  }
  auto failing = failingReads.find(key);
  std::size_t failAfter =
      failing == failingReads.end() ? static_cast<std::size_t>(-1) : failing->second;
  *file = std::make_unique<MemoryReadableFile>(found->second, failAfter);
  return true;
}

bool MemoryDrive::CreateTemporary(std::string_view name, std::unique_ptr<WritableFile>* file,
                                  std::string* reason) {
  std::string key(name);
  log.push_back("create " + key);
  if (std::find(refusedCreates.begin(), refusedCreates.end(), key) != refusedCreates.end()) {
    createDenied_ = refusalsForRights;
    *reason = refusalsForRights ? "Access denied" : "Permission denied";
    return false;
  }
  std::string temporary = TemporaryName(key);
  if (KindOf(temporary) != EntryKind::kAbsent) {
    *reason = temporary + ": File exists";
    return false;
  }
  if (!AllowChange(reason)) return false;
  files[temporary].clear();
  *file = std::make_unique<MemoryWritableFile>(*this, temporary);
  return true;
}

EntryKind MemoryDrive::KindOf(std::string_view name) {
  std::string key(name);
  if (IsDirectory(key)) return EntryKind::kDirectory;
  return files.count(key) ? EntryKind::kOther : EntryKind::kAbsent;
}

bool MemoryDrive::Rename(std::string_view from, std::string_view to, std::string* reason) {
  std::string source(from), target(to);
  log.push_back("rename " + source + " " + target);
  if (refuseRenames) {
    *reason = "Permission denied";
    return false;
  }
  if (std::find(immovable.begin(), immovable.end(), source) != immovable.end()) {
    *reason = "Operation not permitted";
    return false;
  }
  auto found = files.find(source);
  if (found == files.end() || IsDirectory(target)) {
    *reason = found == files.end() ? "No such file or directory" : kIsDirectoryReason;
    return false;
  }
  if (!AllowChange(reason)) return false;
  std::string content = std::move(found->second);
  files.erase(found);
  files[target] = std::move(content);
  return true;
}

bool MemoryDrive::Remove(std::string_view name, std::string* reason) {
  std::string key(name);
  log.push_back("remove " + key);
  if (IsDirectory(key)) {
    *reason = kIsDirectoryReason;
    return false;
  }
  if (!files.count(key)) return true;
  if (!AllowChange(reason)) return false;
  files.erase(key);
  return true;
}

bool MemoryDrive::CreateMarker(std::string_view name, std::string* reason) {
  std::string key(name);
  log.push_back("mark " + key);
  if (KindOf(key) != EntryKind::kAbsent) {
    *reason = "File exists";
    return false;
  }
  if (!AllowChange(reason)) return false;
  files[key].clear();
  return true;
}

void MemoryDrive::RemoveTemporary(std::string_view name) {
  std::string ignored;
  if (files.count(TemporaryName(std::string(name))) && AllowChange(&ignored)) {
    files.erase(TemporaryName(std::string(name)));
  }
}

bool MemoryDrive::IsDirectory(const std::string& name) const {
  return std::find(directories.begin(), directories.end(), name) != directories.end();
}

bool MemoryDrive::AllowChange(std::string* reason) {
  if (changes_ < changeLimit) {
    ++changes_;
    return true;
  }
  *reason = "Input/output error";
  return false;
}

}  // namespace tunewerk
