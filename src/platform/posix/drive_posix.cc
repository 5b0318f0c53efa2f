// Drive C on POSIX is the current working directory. The web edition uses
// this drive too: the node runner on the host's own files, the page on an
// in-memory folder (which has no hard links: outputs are then moved aside).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <cstring>
#include <string>

#include "platform/drive.h"
#include "platform/posix/names_posix.h"
#include "platform/system.h"

namespace tunewerk {

namespace {

// Opens `path` for reading when it is a regular file. Non-blocking so that a
// FIFO cannot hang the open; it is refused like a directory. *absent tells
// that nothing stands under the name.
bool OpenRegularFile(const std::string& path, int* fd, std::string* reason, bool* absent) {
  *fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (*fd < 0) {
    int error = errno;
    *reason = PosixReason(error);
    *absent = error == ENOENT;
    return false;
  }
  *absent = false;
  struct stat info {};
  if (fstat(*fd, &info) != 0) {
    *reason = PosixReason(errno);
  } else if (S_ISDIR(info.st_mode)) {
    *reason = kIsDirectoryReason;
  } else if (!S_ISREG(info.st_mode)) {
    *reason = kNotRegularFileReason;
  } else {
    fcntl(*fd, F_SETFL, fcntl(*fd, F_GETFL) & ~O_NONBLOCK);
    return true;
  }
  close(*fd);
  *fd = -1;
  return false;
}

class PosixReadableFile : public ReadableFile {
 public:
  explicit PosixReadableFile(int fd) : fd_(fd) {}
  ~PosixReadableFile() override { close(fd_); }

  std::optional<std::uint64_t> Size() override {
    struct stat info {};
    if (fstat(fd_, &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
  }

  bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* got,
            std::string* reason) override {
    for (;;) {
      ssize_t n = read(fd_, buffer, capacity);
      if (n >= 0) {
        *got = static_cast<std::size_t>(n);
        return true;
      }
      if (errno != EINTR) {
        *reason = PosixReason(errno);
        return false;
      }
    }
  }

 private:
  int fd_;
};

class PosixWritableFile : public WritableFile {
 public:
  explicit PosixWritableFile(int fd) : fd_(fd) {}
  ~PosixWritableFile() override {
    if (fd_ >= 0) close(fd_);
  }

  bool Write(const std::uint8_t* data, std::size_t size, std::string* reason) override {
    while (size > 0) {
      ssize_t n = write(fd_, data, size);
      if (n < 0) {
        if (errno == EINTR) continue;
        *reason = PosixReason(errno);
        return false;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  // The data is on disk before the temporary can replace an output.
  bool Close(std::string* reason) override {
    int fd = fd_;
    fd_ = -1;
    bool ok = fsync(fd) == 0 || errno == EINVAL;
    if (!ok) *reason = PosixReason(errno);
    if (close(fd) != 0 && ok) {
      *reason = PosixReason(errno);
      ok = false;
    }
    return ok;
  }

 private:
  int fd_;
};

class PosixDrive : public Drive {
 public:
  explicit PosixDrive(std::string_view directory) {
    if (directory.empty()) return;
    shownPrefix_ = std::string(directory);
    if (shownPrefix_.back() != '/') shownPrefix_ += '/';
  }

  ~PosixDrive() override {
    if (folder_ >= 0) close(folder_);
  }

  bool OpenExisting(std::string_view name, std::unique_ptr<ReadableFile>* file, std::string* shown,
                    std::string* reason) override {
    std::string path(name);
    *shown = ShownName(path);
    int fd = -1;
    bool absent = false;
    if (!OpenRegularFile(path, &fd, reason, &absent) && absent) {
      std::string found = FindIgnoringCase(name);
      if (!found.empty()) {
        *shown = ShownName(found);
        OpenRegularFile(found, &fd, reason, &absent);
      }
    }
    if (fd < 0) return false;
    *file = std::make_unique<PosixReadableFile>(fd);
    return true;
  }

  bool CreateNew(std::string_view name, std::unique_ptr<WritableFile>* file,
                 std::string* reason) override {
    std::string path(name);
    // Exclusive and not through a link: the run writes nowhere but its own files.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    int error = errno;
    lastCreate_ = CreateFailureOf(fd, error);
    if (fd < 0) {
      // Something the next run could not clear stands under the temporary's name.
      *reason = error == EEXIST ? path + ": " + PosixReason(error) : PosixReason(error);
      return false;
    }
    *file = std::make_unique<PosixWritableFile>(fd);
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

  bool Link(std::string_view from, std::string_view to, bool* unsupported,
            std::string* reason) override {
    return LinkName(from, to, unsupported, reason);
  }

  // Owner first: a chown may clear the set-id bits that the chmod then sets.
  // The ACL last, as bytes: it carries the group bits of the mode with it.
  bool KeepMetadata(std::string_view from, std::string_view to, std::string* reason) override {
    std::string source(from), target(to);
    struct stat info {};
    if (lstat(source.c_str(), &info) != 0) {
      *reason = PosixReason(errno);
      return false;
    }
    if (lchown(target.c_str(), info.st_uid, info.st_gid) != 0) {
      int ignored =
          lchown(target.c_str(), static_cast<uid_t>(-1), info.st_gid);  // a member's group
      (void)ignored;
    }
    if (chmod(target.c_str(), info.st_mode & 07777) != 0) {
      *reason = PosixReason(errno);
      return false;
    }
#ifdef __linux__
    constexpr char kAcl[] = "system.posix_acl_access";
    char acl[8192];
    ssize_t size = lgetxattr(source.c_str(), kAcl, acl, sizeof acl);
    if (size > 0 && lsetxattr(target.c_str(), kAcl, acl, static_cast<std::size_t>(size), 0) != 0 &&
        errno != EPERM && errno != EOPNOTSUPP) {
      *reason = PosixReason(errno);
      return false;
    }
    // None on the old file: none from the folder's default ACL on the new one.
    if (size < 0 && errno == ENODATA) lremovexattr(target.c_str(), kAcl);
#endif
    return true;
  }

  bool Remove(std::string_view name, std::string* reason) override {
    return RemoveName(name, reason);
  }

  bool CreateMarker(std::string_view name, std::string_view content, std::string* reason) override {
    std::string path(name);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    lastCreate_ = CreateFailureOf(fd, errno);
    if (fd < 0) {
      *reason = PosixReason(errno);
      return false;
    }
    PosixWritableFile marker(fd);
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

  bool SyncFolder(std::string* reason) override {
    if (folder_ < 0) folder_ = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) {
      *reason = PosixReason(errno);
      return false;
    }
    if (fsync(folder_) == 0 || errno == EINVAL) return true;
    *reason = PosixReason(errno);
    return false;
  }

  std::string ShownName(std::string_view name) const override {
    return shownPrefix_ + std::string(name);
  }

  CreateFailure LastCreateFailure() const override {
    return lastCreate_;
  }

 private:
  // The advice for a folder where nobody may create files is for Windows'
  // C:\; here the system's words say enough.
  static CreateFailure CreateFailureOf(int fd, int error) {
    if (fd >= 0) return CreateFailure::kNone;
    return error == EEXIST ? CreateFailure::kExists : CreateFailure::kOther;
  }

  std::string shownPrefix_;
  int folder_ = -1;
  CreateFailure lastCreate_ = CreateFailure::kNone;
};

}  // namespace

bool EnterDirectory(const std::string& directory, std::string* reason) {
  if (chdir(directory.c_str()) == 0) return true;
  *reason = PosixReason(errno);
  return false;
}

std::unique_ptr<Drive> MakeSystemDrive(std::string_view directory) {
  return std::make_unique<PosixDrive>(directory);
}

bool OpenFileForReading(const std::string& path, std::unique_ptr<ReadableFile>* file,
                        std::string* reason) {
  int fd = -1;
  bool absent = false;
  if (!OpenRegularFile(path, &fd, reason, &absent)) return false;
  *file = std::make_unique<PosixReadableFile>(fd);
  return true;
}

}  // namespace tunewerk
