// Drive C on Windows is c:\ itself. Windows file names ignore case already.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "platform/drive.h"
#include "platform/interrupt.h"
#include "platform/system.h"
#include "platform/windows/reason_windows.h"

namespace tunewerk {

namespace {

// The folder that is drive C, ending in a separator: c:\ unless -C named
// another ("d:" is the root of drive D, like "d:\").
std::string RootOf(std::string_view directory) {
  if (directory.empty()) return "c:\\";
  std::string root(directory);
  if (root.back() != '\\' && root.back() != '/') root += '\\';
  return root;
}

class WindowsReadableFile : public ReadableFile {
 public:
  explicit WindowsReadableFile(HANDLE handle) : handle_(handle) {}
  ~WindowsReadableFile() override { CloseHandle(handle_); }

  std::optional<std::uint64_t> Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* got,
            std::string* reason) override {
    DWORD n = 0;
    DWORD wanted = capacity > (1u << 30) ? (1u << 30) : static_cast<DWORD>(capacity);
    if (!ReadFile(handle_, buffer, wanted, &n, nullptr)) {
      *reason = WindowsReason(GetLastError());
      return false;
    }
    *got = n;
    return true;
  }

 private:
  HANDLE handle_;
};

class WindowsWritableFile : public WritableFile {
 public:
  explicit WindowsWritableFile(HANDLE handle) : handle_(handle) {}
  ~WindowsWritableFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

  bool Write(const std::uint8_t* data, std::size_t size, std::string* reason) override {
    while (size > 0) {
      DWORD wanted = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
      DWORD n = 0;
      if (!WriteFile(handle_, data, wanted, &n, nullptr)) {
        *reason = WindowsReason(GetLastError());
        return false;
      }
      if (n == 0) {
        *reason = WindowsReason(ERROR_DISK_FULL);
        return false;
      }
      data += n;
      size -= n;
    }
    return true;
  }

  // The data is on disk before the temporary can replace an output.
  bool Close(std::string* reason) override {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    bool ok = FlushFileBuffers(handle) != 0;
    if (!ok) *reason = WindowsReason(GetLastError());
    if (!CloseHandle(handle) && ok) {
      *reason = WindowsReason(GetLastError());
      ok = false;
    }
    return ok;
  }

 private:
  HANDLE handle_;
};

bool OpenRegularFile(const std::string& path, HANDLE* handle, std::string* reason) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *reason = kIsDirectoryReason;
    return false;
  }
  *handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (*handle == INVALID_HANDLE_VALUE) {
    *reason = WindowsReason(GetLastError());
    return false;
  }
  if (GetFileType(*handle) != FILE_TYPE_DISK) {
    *reason = kNotRegularFileReason;
    CloseHandle(*handle);
    *handle = INVALID_HANDLE_VALUE;
    return false;
  }
  return true;
}

class WindowsDrive : public Drive {
 public:
  // With -C the current directory is already that folder: files are reached
  // through it and named as the user gave it.
  explicit WindowsDrive(std::string_view directory)
      : root_(directory.empty() ? "c:\\" : ".\\"), shownRoot_(RootOf(directory)) {}

  bool OpenExisting(std::string_view name, std::unique_ptr<ReadableFile>* file, std::string* shown,
                    std::string* reason) override {
    std::string path = Path(name);
    *shown = ShownName(name);
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (!OpenRegularFile(path, &handle, reason)) return false;
    *file = std::make_unique<WindowsReadableFile>(handle);
    return true;
  }

  bool CreateNew(std::string_view name, std::unique_ptr<WritableFile>* file,
                 std::string* reason) override {
    std::string path = Path(name);
    // A new file, not an old one reused; deletable while open so that a
    // stopped run can remove it.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = GetLastError();
    lastCreate_ = CreateFailureOf(handle, error);
    if (handle == INVALID_HANDLE_VALUE) {
      *reason =
          error == ERROR_FILE_EXISTS ? path + ": " + WindowsReason(error) : WindowsReason(error);
      return false;
    }
    *file = std::make_unique<WindowsWritableFile>(handle);
    return true;
  }

  EntryKind KindOf(std::string_view name) override {
    DWORD attributes = GetFileAttributesA(Path(name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      DWORD error = GetLastError();
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EntryKind::kAbsent
                                                                            : EntryKind::kOther;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::kLink;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::kDirectory : EntryKind::kFile;
  }

  // Opened as itself, never through a reparse point, and only when it is a
  // file on a disk.
  bool ReadSmallFile(std::string_view name, std::size_t capacity, std::string* content, bool* cut,
                     std::string* reason) override {
    EntryKind kind = KindOf(name);
    if (kind == EntryKind::kDirectory || kind == EntryKind::kLink) {
      *reason = kind == EntryKind::kDirectory ? kIsDirectoryReason : kNotRegularFileReason;
      return false;
    }
    HANDLE handle = CreateFileA(Path(name).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      *reason = WindowsReason(GetLastError());
      return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    bool ok = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
              !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    if (!ok) *reason = kNotRegularFileReason;
    content->assign(capacity, '\0');
    std::size_t size = 0;
    while (ok && size < capacity) {
      DWORD n = 0;
      if (!ReadFile(handle, content->data() + size, static_cast<DWORD>(capacity - size), &n,
                    nullptr)) {
        *reason = WindowsReason(GetLastError());
        ok = false;
      } else if (n == 0) {
        break;
      } else {
        size += n;
      }
    }
    char more = 0;
    DWORD extra = 0;
    *cut = ok && size == capacity && ReadFile(handle, &more, 1, &extra, nullptr) && extra == 1;
    CloseHandle(handle);
    content->resize(size);
    return ok;
  }

  std::string SystemPath(std::string_view name) const override { return Path(name); }

  // Where a symbolic link or junction leads in the end, as the system names it.
  std::string LinkTarget(std::string_view name) override {
    HANDLE handle =
        CreateFileA(Path(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return "";
    char target[MAX_PATH * 4];
    DWORD length = GetFinalPathNameByHandleA(handle, target, sizeof target, FILE_NAME_NORMALIZED);
    CloseHandle(handle);
    if (length == 0 || length >= sizeof target) return "";
    std::string shown(target, length);
    if (shown.rfind("\\\\?\\", 0) == 0) shown.erase(0, 4);
    return shown;
  }

  bool Rename(std::string_view from, std::string_view to, std::string* reason) override {
    if (MoveFileExA(Path(from).c_str(), Path(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    *reason = WindowsReason(GetLastError());
    return false;
  }

  // FAT and exFAT volumes have no hard links: the caller moves the file aside.
  bool Link(std::string_view from, std::string_view to, bool* unsupported,
            std::string* reason) override {
    if (CreateHardLinkA(Path(to).c_str(), Path(from).c_str(), nullptr)) return true;
    DWORD error = GetLastError();
    *unsupported = error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
                   error == ERROR_TOO_MANY_LINKS || error == ERROR_NOT_SAME_DEVICE ||
                   error == ERROR_ACCESS_DENIED;
    *reason = WindowsReason(error);
    return false;
  }

  // The attributes the user may set (not read-only, which would keep the
  // next run from replacing it) and, where the process may, the access
  // control list; without them the new file has its folder's.
  bool KeepMetadata(std::string_view from, std::string_view to, std::string* reason) override {
    std::string source = Path(from), target = Path(to);
    DWORD attributes = GetFileAttributesA(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      *reason = WindowsReason(GetLastError());
      return false;
    }
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD kept = attributes & kKept;
    if (!SetFileAttributesA(target.c_str(), kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept)) {
      *reason = WindowsReason(GetLastError());
      return false;
    }
    DWORD needed = 0;
    GetFileSecurityA(source.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed > 0 && needed < (1u << 16)) {
      std::string descriptor(needed, '\0');
      if (GetFileSecurityA(source.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed,
                           &needed)) {
        SetFileSecurityA(target.c_str(), DACL_SECURITY_INFORMATION, descriptor.data());
      }
    }
    return true;
  }

  // Only the run's own files are removed, an old output moved aside among
  // them: one marked read-only goes as well.
  bool Remove(std::string_view name, std::string* reason) override {
    std::string path = Path(name);
    if (KindOf(name) == EntryKind::kAbsent) return true;  // not in a read-only volume's words
    if (DeleteFileA(path.c_str())) return true;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return true;
    if (error == ERROR_ACCESS_DENIED && SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) &&
        DeleteFileA(path.c_str())) {
      return true;
    }
    *reason = WindowsReason(error);
    return false;
  }

  // A new file or none: CREATE_NEW fails on any name that stands, a link
  // included, and nothing is ever deleted on close.
  bool CreateMarker(std::string_view name, std::string_view content, std::string* reason) override {
    std::string path = Path(name);
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    DWORD error = GetLastError();
    lastCreate_ = CreateFailureOf(handle, error);
    if (handle == INVALID_HANDLE_VALUE) {
      *reason = WindowsReason(error);
      return false;
    }
    WindowsWritableFile marker(handle);
    bool written =
        marker.Write(reinterpret_cast<const std::uint8_t*>(content.data()), content.size(), reason);
    std::string closeReason;
    bool closed = marker.Close(&closeReason);
    if (written && !closed) *reason = closeReason;
    if (written && closed) return true;
    lastCreate_ = CreateFailure::kOther;
    DeleteFileA(path.c_str());
    return false;
  }

  // Every rename is written through already.
  bool SyncFolder(std::string*) override { return true; }

  std::string ShownName(std::string_view name) const override {
    return shownRoot_ + std::string(name);
  }

  CreateFailure LastCreateFailure() const override { return lastCreate_; }

 private:
  static CreateFailure CreateFailureOf(HANDLE handle, DWORD error) {
    if (handle != INVALID_HANDLE_VALUE) return CreateFailure::kNone;
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return CreateFailure::kExists;
    return error == ERROR_ACCESS_DENIED ? CreateFailure::kNoRights : CreateFailure::kOther;
  }

  std::string Path(std::string_view name) const { return root_ + std::string(name); }

  std::string root_;
  std::string shownRoot_;
  CreateFailure lastCreate_ = CreateFailure::kNone;
};

// Standard output; it is never closed here, only drained.
class StandardOutput : public WritableFile {
 public:
  bool Write(const std::uint8_t* data, std::size_t size, std::string* reason) override {
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    while (size > 0) {
      DWORD wanted = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
      DWORD n = 0;
      if (!WriteFile(handle, data, wanted, &n, nullptr)) {
        *reason = WindowsReason(GetLastError());
        return false;
      }
      data += n;
      size -= n;
    }
    return true;
  }
  bool Close(std::string*) override { return true; }
};

}  // namespace

bool EnterDirectory(const std::string& directory, std::string* reason) {
  std::string root = RootOf(directory);
  DWORD attributes = GetFileAttributesA(root.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *reason = WindowsReason(GetLastError());
    return false;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *reason = WindowsReason(ERROR_DIRECTORY);
    return false;
  }
  if (!SetCurrentDirectoryA(root.c_str())) {
    *reason = WindowsReason(GetLastError());
    return false;
  }
  return true;
}

std::unique_ptr<Drive> MakeSystemDrive(std::string_view directory) {
  InstallStopHandler();
  return std::make_unique<WindowsDrive>(directory);
}

bool OpenFileForReading(const std::string& path, std::unique_ptr<ReadableFile>* file,
                        std::string* reason) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (!OpenRegularFile(path, &handle, reason)) return false;
  *file = std::make_unique<WindowsReadableFile>(handle);
  return true;
}

std::unique_ptr<WritableFile> MakeStandardOutput() {
  return std::make_unique<StandardOutput>();
}

}  // namespace tunewerk
