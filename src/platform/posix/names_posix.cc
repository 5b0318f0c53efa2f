#include "platform/posix/names_posix.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace tunewerk {

namespace {

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

// The words of the C library the native program is built with, so that every
// POSIX edition (the web one has another C library) says the same.
std::string PosixReason(int error) {
  struct Words {
    int error;
    const char* words;
  };
  static constexpr Words kWords[] = {
      {EPERM, "Operation not permitted"},
      {ENOENT, "No such file or directory"},
      {EINTR, "Interrupted system call"},
      {EIO, "Input/output error"},
      {ENXIO, "No such device or address"},
      {EBADF, "Bad file descriptor"},
      {EAGAIN, "Resource temporarily unavailable"},
      {ENOMEM, "Cannot allocate memory"},
      {EACCES, "Permission denied"},
      {EBUSY, "Device or resource busy"},
      {EEXIST, "File exists"},
      {EXDEV, "Invalid cross-device link"},
      {ENODEV, "No such device"},
      {ENOTDIR, "Not a directory"},
      {EISDIR, "Is a directory"},
      {EINVAL, "Invalid argument"},
      {ENFILE, "Too many open files in system"},
      {EMFILE, "Too many open files"},
      {ETXTBSY, "Text file busy"},
      {EFBIG, "File too large"},
      {ENOSPC, "No space left on device"},
      {EROFS, "Read-only file system"},
      {EMLINK, "Too many links"},
      {EPIPE, "Broken pipe"},
      {ENAMETOOLONG, "File name too long"},
      {ENOSYS, "Function not implemented"},
      {ENOTEMPTY, "Directory not empty"},
      {ELOOP, "Too many levels of symbolic links"},
      {EOPNOTSUPP, "Operation not supported"},
      {ESTALE, "Stale file handle"},
      {EDQUOT, "Disk quota exceeded"},
  };
  for (const Words& w : kWords) {
    if (w.error == error) return w.words;
  }
  return std::strerror(error);
}

std::string FindIgnoringCase(std::string_view name) {
  std::string best;
  DIR* dir = opendir(".");
  if (dir == nullptr) return best;
  while (dirent* entry = readdir(dir)) {
    std::string_view candidate(entry->d_name);
    if (EqualIgnoringAsciiCase(candidate, name) && (best.empty() || candidate < best)) {
      best = std::string(candidate);
    }
  }
  closedir(dir);
  return best;
}

EntryKind KindOfName(std::string_view name) {
  struct stat info {};
  if (lstat(std::string(name).c_str(), &info) != 0) {
    return errno == ENOENT ? EntryKind::kAbsent : EntryKind::kOther;
  }
  if (S_ISLNK(info.st_mode)) return EntryKind::kLink;
  if (S_ISREG(info.st_mode)) return EntryKind::kFile;
  return S_ISDIR(info.st_mode) ? EntryKind::kDirectory : EntryKind::kOther;
}

// The kind is checked before the open and again on what was opened: a FIFO
// put there in between is opened without waiting and refused.
bool ReadSmallFileNamed(std::string_view name, std::size_t capacity, std::string* content,
                        bool* cut, std::string* reason) {
  std::string path(name);
  EntryKind kind = KindOfName(name);
  if (kind != EntryKind::kFile && kind != EntryKind::kAbsent) {
    *reason = kind == EntryKind::kDirectory ? kIsDirectoryReason : kNotRegularFileReason;
    return false;
  }
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *reason = errno == ELOOP ? kNotRegularFileReason : PosixReason(errno);
    return false;
  }
  struct stat info {};
  bool ok = fstat(fd, &info) == 0;
  if (!ok) *reason = PosixReason(errno);
  if (ok && !S_ISREG(info.st_mode)) {
    *reason = S_ISDIR(info.st_mode) ? kIsDirectoryReason : kNotRegularFileReason;
    ok = false;
  }
  content->assign(capacity, '\0');
  std::size_t size = 0;
  while (ok && size < capacity) {
    ssize_t n = read(fd, content->data() + size, capacity - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *reason = PosixReason(errno);
      ok = false;
    } else if (n == 0) {
      break;
    } else {
      size += static_cast<std::size_t>(n);
    }
  }
  char more = 0;
  *cut = ok && size == capacity && read(fd, &more, 1) == 1;
  close(fd);
  content->resize(size);
  return ok;
}

std::string LinkTargetOf(std::string_view name) {
  char target[4096];
  ssize_t n = readlink(std::string(name).c_str(), target, sizeof target);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

bool RenameName(std::string_view from, std::string_view to, std::string* reason) {
  if (rename(std::string(from).c_str(), std::string(to).c_str()) == 0) return true;
  *reason = PosixReason(errno);
  return false;
}

// EPERM: a file system without links (FAT), an immutable file, or a file
// that protected_hardlinks keeps this user from linking. linkat, not link:
// the web runtime answers link itself (EMLINK) but hands linkat to its host.
bool LinkName(std::string_view from, std::string_view to, bool* unsupported, std::string* reason) {
  if (linkat(AT_FDCWD, std::string(from).c_str(), AT_FDCWD, std::string(to).c_str(), 0) == 0) {
    return true;
  }
  int error = errno;
  *unsupported =
      error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK || error == EXDEV;
  *reason = PosixReason(error);
  return false;
}

// A name that is not there is not reported in the words of a folder that
// could not have removed it (a read-only one answers EROFS first).
bool RemoveName(std::string_view name, std::string* reason) {
  std::string path(name);
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 && errno == ENOENT) return true;
  if (unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  *reason = PosixReason(errno);
  return false;
}

}  // namespace tunewerk
