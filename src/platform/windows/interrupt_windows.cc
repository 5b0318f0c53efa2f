// Stopping a run on Windows. The console's handler runs on a thread of its
// own: holding stop signals is holding the guard it takes first, so it waits
// for a temporary being created and registered, and once the replacement has
// begun it lets the run finish.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include "platform/windows/interrupt_windows.h"

#include <windows.h>

#include <atomic>
#include <cstring>

#include "platform/interrupt.h"

namespace tunewerk {

namespace {

std::atomic<const char*> gRestore{nullptr};
std::atomic<int> gEndStatus{-1};
bool gHeldToEnd = false;
CRITICAL_SECTION gStopGuard;

void WriteRestore() {
  const char* restore = gRestore.load();
  if (restore == nullptr) return;
  DWORD ignored = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), restore, static_cast<DWORD>(std::strlen(restore)),
            &ignored, nullptr);
}

// A deleted file that is still open goes when its handle does, that is when
// the process ends.
BOOL WINAPI OnConsoleStop(DWORD event) {
  int endStatus = gEndStatus.load();
  if (endStatus >= 0) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(endStatus));
  EnterCriticalSection(&gStopGuard);
  if (gHeldToEnd) {
    LeaveCriticalSection(&gStopGuard);
    // Returning from a close event ends the process at once; the run ends it.
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    Sleep(INFINITE);
  }
  for (int i = 0; i < TemporaryTable::kSlots; ++i) {
    if (const char* path = RememberedTemporary(i)) DeleteFileA(path);
  }
  WriteRestore();
  // At once, with a status that is not success (wine's own handler exits
  // with 0): ExitProcess here would run the C runtime's exit on this thread
  // while the main thread may still be using it.
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

}  // namespace

void InstallStopHandler() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  InitializeCriticalSection(&gStopGuard);
  SetConsoleCtrlHandler(OnConsoleStop, TRUE);
}

void SetInterruptRestore(const char* bytes) {
  InstallStopHandler();
  gRestore.store(bytes);
}

void HoldStopSignals() {
  InstallStopHandler();
  EnterCriticalSection(&gStopGuard);
}

void ReleaseStopSignals() {
  LeaveCriticalSection(&gStopGuard);
}

void HoldStopSignalsToEnd() {
  HoldStopSignals();
  gHeldToEnd = true;
  ReleaseStopSignals();
}

// Nothing is left to undo: the handler needs no guard.
void EndStopsWithStatus(int status) {
  InstallStopHandler();
  gEndStatus.store(status);
}

}  // namespace tunewerk
