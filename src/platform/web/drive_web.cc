// Drive C on the web is a folder of the runtime's file system: in the page an
// in-memory folder holding the files the user picked, under the node runner
// the real current folder. Nothing here is interrupted by a signal, and the
// host does what the runtime's file system cannot: durability.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string>

#include "platform/drive.h"
#include "platform/interrupt.h"
#include "platform/posix/names_posix.h"
#include "platform/system.h"
#include "platform/web/host.h"

namespace tunewerk {

namespace {

// Sets errno to EINVAL when the file exists but is refused, so that no other
// spelling of its name is tried.
bool OpenRegularFile(const std::string& path, int* fd, std::string* reason) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    *reason = PosixReason(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *reason = S_ISDIR(info.st_mode) ? kIsDirectoryReason : kNotRegularFileReason;
    errno = EINVAL;
    return false;
  }
  *fd = open(path.c_str(), O_RDONLY);
  if (*fd >= 0) return true;
  int error = errno;
  *reason = PosixReason(error);
  errno = error == ENOENT ? EINVAL : error;
  return false;
}

class WebReadableFile : public ReadableFile {
 public:
  explicit WebReadableFile(int fd) : fd_(fd) {}
  ~WebReadableFile() override { close(fd_); }

  std::optional<std::uint64_t> Size() override {
    struct stat info {};
    if (fstat(fd_, &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
  }

  bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* got,
            std::string* reason) override {
    ssize_t n = read(fd_, buffer, capacity);
    if (n < 0) {
      *reason = PosixReason(errno);
      return false;
    }
    *got = static_cast<std::size_t>(n);
    return true;
  }

 private:
  int fd_;
};

class WebWritableFile : public WritableFile {
 public:
  WebWritableFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~WebWritableFile() override {
    if (fd_ >= 0) close(fd_);
  }

  bool Write(const std::uint8_t* data, std::size_t size, std::string* reason) override {
    while (size > 0) {
      ssize_t n = write(fd_, data, size);
      if (n <= 0) {
        *reason = n < 0 ? PosixReason(errno) : "nothing written";
        return false;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  // The data is durable before the temporary can replace an output.
  bool Close(std::string* reason) override {
    int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
      *reason = PosixReason(errno);
      return false;
    }
    return Sync(path_, reason);
  }

  static bool Sync(const std::string& path, std::string* reason) {
    int error = tunewerk_host_sync(path.c_str());
    if (error == 0) return true;
    *reason = PosixReason(EIO);
    return false;
  }

 private:
  int fd_;
  std::string path_;
};

class WebDrive : public Drive {
 public:
  explicit WebDrive(std::string_view directory) {
    if (directory.empty()) return;
    shownPrefix_ = std::string(directory);
    if (shownPrefix_.back() != '/') shownPrefix_ += '/';
  }

  bool OpenExisting(std::string_view name, std::unique_ptr<ReadableFile>* file, std::string* shown,
                    std::string* reason) override {
    std::string path(name);
    *shown = ShownName(path);
    int fd = -1;
    if (!OpenRegularFile(path, &fd, reason) && errno == ENOENT) {
      std::string found = FindIgnoringCase(name);
      if (!found.empty()) {
        *shown = ShownName(found);
        OpenRegularFile(found, &fd, reason);
      }
    }
    if (fd < 0) return false;
    *file = std::make_unique<WebReadableFile>(fd);
    return true;
  }

  bool CreateTemporary(std::string_view name, std::unique_ptr<WritableFile>* file,
                       std::string* reason) override {
    std::string path = TemporaryName(name);
    // Exclusive: the run writes nowhere but its own new files.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    lastCreate_ = CreateFailureOf(fd, errno);
    if (fd < 0) {
      int error = errno;
      *reason = error == EEXIST ? path + ": " + PosixReason(error) : PosixReason(error);
      return false;
    }
    RememberTemporary(name, path);
    *file = std::make_unique<WebWritableFile>(fd, path);
    return true;
  }

  EntryKind KindOf(std::string_view name) override { return KindOfName(name); }

  bool ReadSmallFile(std::string_view name, std::size_t capacity, std::string* content, bool* cut,
                     std::string* reason) override {
    return ReadSmallFileNamed(name, capacity, content, cut, reason);
  }

  std::string LinkTarget(std::string_view name) override { return LinkTargetOf(name); }

  bool Rename(std::string_view from, std::string_view to, std::string* reason) override {
    return RenameName(from, to, reason);
  }

  // The runtime's file systems have no hard links: the old output is then
  // moved aside instead.
  bool Link(std::string_view from, std::string_view to, bool* unsupported,
            std::string* reason) override {
    return LinkName(from, to, unsupported, reason);
  }

  // Only the permission bits: the runtime knows no owners or ACLs.
  bool KeepMetadata(std::string_view from, std::string_view to, std::string* reason) override {
    struct stat info {};
    if (stat(std::string(from).c_str(), &info) != 0 ||
        chmod(std::string(to).c_str(), info.st_mode & 07777) != 0) {
      *reason = PosixReason(errno);
      return false;
    }
    return true;
  }

  bool Remove(std::string_view name, std::string* reason) override {
    return RemoveName(name, reason);
  }

  bool CreateMarker(std::string_view name, std::string_view content, std::string* reason) override {
    std::string path(name);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    lastCreate_ = CreateFailureOf(fd, errno);
    if (fd < 0) {
      *reason = PosixReason(errno);
      return false;
    }
    WebWritableFile marker(fd, path);
    bool written =
        marker.Write(reinterpret_cast<const std::uint8_t*>(content.data()), content.size(), reason);
    std::string closeReason;
    bool closed = marker.Close(&closeReason);
    if (written && !closed) *reason = closeReason;
    if (written && closed && SyncFolder(reason)) return true;
    lastCreate_ = CreateFailure::kOther;
    unlink(path.c_str());
    return false;
  }

  bool SyncFolder(std::string* reason) override { return WebWritableFile::Sync(".", reason); }

  void HoldStopsToEnd() override { HoldStopSignalsToEnd(); }

  void RemoveTemporary(std::string_view name) override {
    unlink(TemporaryName(name).c_str());
    ForgetTemporary(name);
  }

  std::string ShownName(std::string_view name) const override {
    return shownPrefix_ + std::string(name);
  }

  CreateFailure LastCreateFailure() const override { return lastCreate_; }

 private:
  static CreateFailure CreateFailureOf(int fd, int error) {
    if (fd >= 0) return CreateFailure::kNone;
    return error == EEXIST ? CreateFailure::kExists : CreateFailure::kOther;
  }

  std::string shownPrefix_;
  CreateFailure lastCreate_ = CreateFailure::kNone;
};

class StandardOutput : public WritableFile {
 public:
  bool Write(const std::uint8_t* data, std::size_t size, std::string* reason) override {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    return WriteStandardOutput(bytes, reason);
  }
  bool Close(std::string*) override { return true; }
};

}  // namespace

bool EnterDirectory(const std::string& directory, std::string* reason) {
  if (chdir(directory.c_str()) == 0) return true;
  *reason = PosixReason(errno);
  return false;
}

std::unique_ptr<Drive> MakeSystemDrive(std::string_view directory) {
  return std::make_unique<WebDrive>(directory);
}

bool OpenFileForReading(const std::string& path, std::unique_ptr<ReadableFile>* file,
                        std::string* reason) {
  int fd = -1;
  if (!OpenRegularFile(path, &fd, reason)) return false;
  *file = std::make_unique<WebReadableFile>(fd);
  return true;
}

std::unique_ptr<WritableFile> MakeStandardOutput() {
  return std::make_unique<StandardOutput>();
}

}  // namespace tunewerk
