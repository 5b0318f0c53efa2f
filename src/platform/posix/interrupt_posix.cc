// Stopping a run on POSIX: the signal waits while held, and its handler only
// unlinks, writes and raises.
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

#include "platform/interrupt.h"

namespace tunewerk {

namespace {

std::atomic<const char*> gRestore{nullptr};
bool gHeldToEnd = false;

void OnInterrupt(int signal) {
  for (int i = 0; i < TemporaryTable::kSlots; ++i) {
    if (const char* path = RememberedTemporary(i)) unlink(path);
  }
  if (const char* restore = gRestore.load()) {
    ssize_t ignored = write(STDOUT_FILENO, restore, strlen(restore));
    (void)ignored;
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void MaskStopSignals(int how) {
  sigset_t stops;
  sigemptyset(&stops);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
  sigprocmask(how, &stops, nullptr);
}

}  // namespace

void InstallStopHandler() {
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

void SetInterruptRestore(const char* bytes) {
  InstallStopHandler();
  gRestore.store(bytes);
}

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

}  // namespace tunewerk
