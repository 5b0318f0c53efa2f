#include "platform/memory_drive.h"

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
    *reason = "Permission denied";
    return false;
  }
  files[TemporaryName(key)].clear();
  *file = std::make_unique<MemoryWritableFile>(*this, TemporaryName(key));
  return true;
}

bool MemoryDrive::CheckReplaceable(std::string_view name, std::string* reason) {
  if (std::find(unreplaceable.begin(), unreplaceable.end(), name) == unreplaceable.end()) {
    return true;
  }
  *reason = "Is a directory";
  return false;
}

bool MemoryDrive::ReplaceWithTemporary(std::string_view name, std::string* reason) {
  std::string key(name);
  log.push_back("replace " + key);
  if (refuseRenames) {
    *reason = "Permission denied";
    return false;
  }
  auto temporary = files.find(TemporaryName(key));
  if (temporary == files.end()) {
    *reason = "No such file or directory";
    return false;
  }
  files[key] = std::move(temporary->second);
  files.erase(TemporaryName(key));
  return true;
}

void MemoryDrive::RemoveTemporary(std::string_view name) {
  files.erase(TemporaryName(std::string(name)));
}

}  // namespace tunewerk
