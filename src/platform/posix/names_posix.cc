#include "platform/posix/names_posix.h"

#include <dirent.h>
#include <errno.h>
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

std::string PosixReason(int error) {
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
// that protected_hardlinks keeps this user from linking.
bool LinkName(std::string_view from, std::string_view to, bool* unsupported, std::string* reason) {
  if (link(std::string(from).c_str(), std::string(to).c_str()) == 0) return true;
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
