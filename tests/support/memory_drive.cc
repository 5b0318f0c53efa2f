#include "support/memory_drive.h"

#include <algorithm>
#include <cstring>

#include "app/folder_lock.h"

namespace tunewerk {

namespace {

class MemoryReadableFile : public ReadableFile {
 public:
  MemoryReadableFile(std::string content, std::size_t failAfter)
      : content_(std::move(content)), failAfter_(failAfter) {}

  std::optional<std::uint64_t> Size() override { return content_.size(); }

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

bool MemoryDrive::CreateNew(std::string_view name, std::unique_ptr<WritableFile>* file,
                            std::string* reason) {
  std::string key(name);
  log.push_back("create " + key);
  lastCreate_ = CreateFailure::kOther;
  if (Listed(refusedCreates, key)) {
    if (refusalsForRights) lastCreate_ = CreateFailure::kNoRights;
    *reason = refusalsForRights ? "Access denied" : "Permission denied";
    return false;
  }
  if (KindOf(key) != EntryKind::kAbsent) {
    lastCreate_ = CreateFailure::kExists;
    *reason = key + ": File exists";
    return false;
  }
  if (!AllowChange(reason)) return false;
  lastCreate_ = CreateFailure::kNone;
  files[key].clear();
  metadata.erase(key);
  *file = std::make_unique<MemoryWritableFile>(*this, key);
  return true;
}

EntryKind MemoryDrive::KindOf(std::string_view name) {
  std::string key(name);
  if (IsDirectory(key)) return EntryKind::kDirectory;
  if (symbolicLinks.count(key)) return EntryKind::kLink;
  if (Listed(specialFiles, key)) return EntryKind::kOther;
  return files.count(key) ? EntryKind::kFile : EntryKind::kAbsent;
}

bool MemoryDrive::ReadSmallFile(std::string_view name, std::size_t capacity, std::string* content,
                                bool* cut, std::string* reason) {
  std::string key(name);
  log.push_back("read " + key);
  EntryKind kind = KindOf(key);
  if (kind != EntryKind::kFile) {
    *reason = kind == EntryKind::kAbsent      ? "No such file or directory"
              : kind == EntryKind::kDirectory ? kIsDirectoryReason
                                              : kNotRegularFileReason;
    return false;
  }
  auto failing = failingReads.find(key);
  if (failing != failingReads.end() && failing->second < files[key].size()) {
    *reason = "Input/output error";
    return false;
  }
  *content = files[key].substr(0, capacity);
  *cut = files[key].size() > capacity;
  return true;
}

std::string MemoryDrive::LinkTarget(std::string_view name) {
  auto found = symbolicLinks.find(std::string(name));
  return found == symbolicLinks.end() ? "" : found->second;
}

bool MemoryDrive::Rename(std::string_view from, std::string_view to, std::string* reason) {
  std::string source(from), target(to);
  log.push_back("rename " + source + " " + target);
  if (refuseRenames) {
    *reason = "Permission denied";
    return false;
  }
  if (Listed(immovable, source) || Listed(immovable, target)) {
    *reason = "Operation not permitted";
    return false;
  }
  auto found = files.find(source);
  if (found == files.end() || IsDirectory(target)) {
    *reason = found == files.end() ? "No such file or directory" : kIsDirectoryReason;
    return false;
  }
  if (!AllowChange(reason, source)) return false;
  auto file = fileOf_.find(source);
  auto other = fileOf_.find(target);
  if (file != fileOf_.end() && other != fileOf_.end() && file->second == other->second) {
    return true;  // two names of one file: both stay, as rename(2) does
  }
  MoveEntry(source, target);
  return true;
}

bool MemoryDrive::Link(std::string_view from, std::string_view to, bool* unsupported,
                       std::string* reason) {
  std::string source(from), target(to);
  log.push_back("link " + source + " " + target);
  *unsupported = false;
  if (!hardLinks || Listed(immovable, source)) {
    *unsupported = true;
    *reason = hardLinks ? "Operation not permitted" : "Operation not supported";
    return false;
  }
  if (!files.count(source) || KindOf(target) != EntryKind::kAbsent) {
    *reason = files.count(source) ? "File exists" : "No such file or directory";
    return false;
  }
  if (!AllowChange(reason, target)) return false;
  if (!fileOf_.count(source)) fileOf_[source] = nextFile_++;
  fileOf_[target] = fileOf_[source];
  files[target] = files[source];
  if (metadata.count(source)) metadata[target] = metadata[source];
  return true;
}

bool MemoryDrive::KeepMetadata(std::string_view from, std::string_view to, std::string* reason) {
  std::string source(from), target(to);
  log.push_back("keep " + source + " " + target);
  if (!files.count(source) || !files.count(target)) {
    *reason = "No such file or directory";
    return false;
  }
  if (!AllowChange(reason)) return false;
  if (metadata.count(source)) metadata[target] = metadata[source];
  return true;
}

bool MemoryDrive::Remove(std::string_view name, std::string* reason) {
  std::string key(name);
  log.push_back("remove " + key);
  if (IsDirectory(key)) {
    *reason = kIsDirectoryReason;
    return false;
  }
  if (symbolicLinks.erase(key) > 0) return true;
  if (!files.count(key)) return true;
  if (Listed(unremovable, key)) {
    *reason = "Operation not permitted";
    return false;
  }
  if (!AllowChange(reason, key)) return false;
  DropEntry(key);
  return true;
}

bool MemoryDrive::CreateMarker(std::string_view name, std::string_view content,
                               std::string* reason) {
  std::string key(name);
  log.push_back("mark " + key);
  lastCreate_ = CreateFailure::kOther;
  bool denied = lockDenied && key == kLockName;
  if (Listed(refusedCreates, key) || denied) {
    if (denied) lastCreate_ = CreateFailure::kNoRights;
    *reason = denied ? "Access denied" : "Permission denied";
    return false;
  }
  if (KindOf(key) != EntryKind::kAbsent || Listed(unseenNames, key)) {
    lastCreate_ = CreateFailure::kExists;
    *reason = "File exists";
    return false;
  }
  if (!AllowChange(reason, key)) return false;
  lastCreate_ = CreateFailure::kNone;
  files[key] = std::string(content);
  return true;
}

bool MemoryDrive::SyncFolder(std::string* reason) {
  log.push_back("sync");
  if (!AllowChange(reason)) return false;
  if (!failingSyncs.count(syncs_++)) return true;
  *reason = "Input/output error";
  return false;
}

bool MemoryDrive::IsDirectory(const std::string& name) const {
  return Listed(directories, name);
}

bool MemoryDrive::Listed(const std::vector<std::string>& names, const std::string& name) const {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool MemoryDrive::AllowChange(std::string* reason, const std::string& name) {
  if (name.starts_with(kLockName)) return true;
  std::size_t number = changes_++;
  if (number < changeLimit && !failingChanges.count(number)) return true;
  *reason = "Input/output error";
  return false;
}

void MemoryDrive::MoveEntry(const std::string& from, const std::string& to) {
  DropEntry(to);
  files[to] = std::move(files[from]);
  files.erase(from);
  for (auto* map : {&metadata}) {
    if (map->count(from)) (*map)[to] = (*map)[from];
    map->erase(from);
  }
  if (fileOf_.count(from)) fileOf_[to] = fileOf_[from];
  fileOf_.erase(from);
}

void MemoryDrive::DropEntry(const std::string& name) {
  files.erase(name);
  metadata.erase(name);
  fileOf_.erase(name);
}

}  // namespace tunewerk
