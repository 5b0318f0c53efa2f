// Drive C on Windows is c:\ itself. Windows file names ignore case already.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/drive.h"
#include "platform/system.h"

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

// The system's words for `error` on one line, without the closing period.
std::string WindowsReason(DWORD error) {
  char text[512];
  DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  std::string reason(text, length);
  for (char& c : reason) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  while (!reason.empty() && (reason.back() == ' ' || reason.back() == '.')) reason.pop_back();
  if (reason.empty()) reason = "error " + std::to_string(error);
  return reason;
}

// The temporaries of this run, deleted when the console stops the program
// (Ctrl-C, Ctrl-Break, the window closed). A deleted file that is still open
// goes when its handle does, that is when the process ends.
constexpr int kTemporarySlots = 4;
constexpr int kPathCapacity = 300;
char gTemporaries[kTemporarySlots][kPathCapacity];
std::atomic<bool> gTemporarySet[kTemporarySlots];

// Ends the process itself: a stopped run must not look like a finished one
// (wine's own handler exits with 0).
BOOL WINAPI OnConsoleStop(DWORD) {
  for (int i = 0; i < kTemporarySlots; ++i) {
    if (gTemporarySet[i].load()) DeleteFileA(gTemporaries[i]);
  }
  // At once: ExitProcess here would run the C runtime's exit on this thread
  // while the main thread may still be using it.
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

void RememberTemporary(int slot, const std::string* path) {
  if (slot < 0 || slot >= kTemporarySlots) return;
  gTemporarySet[slot].store(false);
  if (path == nullptr || path->size() >= kPathCapacity) return;
  std::memcpy(gTemporaries[slot], path->c_str(), path->size() + 1);
  gTemporarySet[slot].store(true);
}

class WindowsReadableFile : public ReadableFile {
 public:
  explicit WindowsReadableFile(HANDLE handle) : handle_(handle) {}
  ~WindowsReadableFile() override { CloseHandle(handle_); }

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
    *reason = "is a directory";
    return false;
  }
  *handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (*handle == INVALID_HANDLE_VALUE) {
    *reason = WindowsReason(GetLastError());
    return false;
  }
  if (GetFileType(*handle) != FILE_TYPE_DISK) {
    *reason = "not a regular file";
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

  bool CreateTemporary(std::string_view name, std::unique_ptr<WritableFile>* file,
                       std::string* reason) override {
    std::string path = TemporaryPath(name);
    DeleteFileA(path.c_str());
    // A new file, not an old one reused; deletable while open so that a
    // stopped run can remove it.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      *reason = WindowsReason(GetLastError());
      return false;
    }
    RememberTemporary(SlotOf(name), &path);
    *file = std::make_unique<WindowsWritableFile>(handle);
    return true;
  }

  bool CheckReplaceable(std::string_view name, std::string* reason) override {
    DWORD attributes = GetFileAttributesA(Path(name).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      *reason = "is a directory";
      return false;
    }
    return true;
  }

  bool ReplaceWithTemporary(std::string_view name, std::string* reason) override {
    std::string path = TemporaryPath(name);
    if (!MoveFileExA(path.c_str(), Path(name).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      *reason = WindowsReason(GetLastError());
      return false;
    }
    RememberTemporary(SlotOf(name), nullptr);
    return true;
  }

  void RemoveTemporary(std::string_view name) override {
    DeleteFileA(TemporaryPath(name).c_str());
    RememberTemporary(SlotOf(name), nullptr);
  }

  std::string ShownName(std::string_view name) const override {
    return shownRoot_ + std::string(name);
  }

 private:
  int SlotOf(std::string_view name) {
    for (int i = 0; i < kTemporarySlots; ++i) {
      if (slots_[i] == name) return i;
      if (slots_[i].empty()) {
        slots_[i] = std::string(name);
        return i;
      }
    }
    return -1;
  }

  std::string Path(std::string_view name) const { return root_ + std::string(name); }

  std::string TemporaryPath(std::string_view name) const {
    return root_ + ".tunewerk-" + std::string(name) + ".tmp";
  }

  std::string root_;
  std::string shownRoot_;
  std::string slots_[kTemporarySlots];
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
  SetConsoleCtrlHandler(OnConsoleStop, TRUE);
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
