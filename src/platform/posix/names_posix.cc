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
  return S_ISDIR(info.st_mode) ? EntryKind::kDirectory : EntryKind::kOther;
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
