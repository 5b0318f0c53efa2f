#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/process.h"

namespace tunewerk {

const char* ProcessIdKind() {
  return "windows";
}

std::uint64_t CurrentProcessId() {
  return GetCurrentProcessId();
}

std::string CurrentHostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return "";
  return std::string(name, size);
}

// A process that cannot be opened for lack of rights still runs; an id that
// names no process is refused as a parameter.
ProcessState StateOfProcess(std::uint64_t pid) {
  if (pid == 0 || pid > 0xFFFFFFFFu) return ProcessState::kUnknown;
  HANDLE process =
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) {
    DWORD error = GetLastError();
    if (error == ERROR_INVALID_PARAMETER) return ProcessState::kGone;
    return error == ERROR_ACCESS_DENIED ? ProcessState::kRunning : ProcessState::kUnknown;
  }
  // The exit code alone cannot tell a process that returned 259 (STILL_ACTIVE).
  DWORD waited = WaitForSingleObject(process, 0);
  CloseHandle(process);
  if (waited == WAIT_TIMEOUT) return ProcessState::kRunning;
  return waited == WAIT_OBJECT_0 ? ProcessState::kGone : ProcessState::kUnknown;
}

}  // namespace tunewerk
