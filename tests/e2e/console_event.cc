// console_event.exe PROGRAM: runs PROGRAM on this console and, once it waits
// for its first answer (its lock file is in the current folder), sends the
// console's Ctrl-C event to every process on it. Exits with the program's
// status. (Wine sends no other event: Ctrl-Break fails there.)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

namespace {

// This process stays to report the status.
BOOL WINAPI IgnoreEvent(DWORD) {
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 100;
  std::string command = std::string("\"") + argv[1] + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 101;
  }
  // Set after the start, which would hand it down.
  SetConsoleCtrlHandler(IgnoreEvent, TRUE);
  for (int tries = 0; GetFileAttributesA(".tunewerk-lock") == INVALID_FILE_ATTRIBUTES; ++tries) {
    if (tries == 600) return 102;
    Sleep(100);
  }
  Sleep(1000);
  if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) return 103;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 104;
  GetExitCodeProcess(process.hProcess, &status);
  return static_cast<int>(status);
}
