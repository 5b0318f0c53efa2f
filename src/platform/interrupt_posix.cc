#include "platform/interrupt_posix.h"

#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

namespace tunewerk {

namespace {

constexpr int kPathCapacity = 4096;
char gPaths[kInterruptSlots][kPathCapacity];
std::atomic<bool> gPathSet[kInterruptSlots];
std::atomic<const char*> gRestore{nullptr};
bool gHeldToEnd = false;

void OnInterrupt(int signal) {
  for (int i = 0; i < kInterruptSlots; ++i) {
    if (gPathSet[i].load()) unlink(gPaths[i]);
  }
  if (const char* restore = gRestore.load()) {
    ssize_t ignored = write(STDOUT_FILENO, restore, strlen(restore));
    (void)ignored;
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void InstallOnce() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, other);
    sigaction(s, &action, nullptr);
  }
}

void MaskStopSignals(int how) {
  sigset_t stops;
  sigemptyset(&stops);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
  sigprocmask(how, &stops, nullptr);
}

}  // namespace

void HoldStopSignals() {
  MaskStopSignals(SIG_BLOCK);
}

void ReleaseStopSignals() {
  if (!gHeldToEnd) MaskStopSignals(SIG_UNBLOCK);
}

void HoldStopSignalsToEnd() {
  gHeldToEnd = true;
  MaskStopSignals(SIG_BLOCK);
}

void SetInterruptUnlink(int slot, const char* path) {
  if (slot < 0 || slot >= kInterruptSlots) return;
  InstallOnce();
  gPathSet[slot].store(false);
  if (path == nullptr || strlen(path) >= kPathCapacity) return;
  memcpy(gPaths[slot], path, strlen(path) + 1);
  gPathSet[slot].store(true);
}

void SetInterruptRestore(const char* bytes) {
  InstallOnce();
  gRestore.store(bytes);
}

}  // namespace tunewerk
