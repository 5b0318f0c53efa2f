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

// Every signal that another process (or the terminal, or a limit) may send
// and whose default action ends the process. The faults of the program
// itself (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGABRT, SIGSYS) are
// not held: they cannot wait. SIGPIPE and SIGXFSZ are ignored instead, so
// that the write fails through the normal error path.
sigset_t StopSignals() {
  sigset_t stops;
  sigemptyset(&stops);
  for (int s :
       {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU}) {
    sigaddset(&stops, s);
  }
#ifdef SIGPWR
  sigaddset(&stops, SIGPWR);
#endif
#ifdef SIGSTKFLT
  sigaddset(&stops, SIGSTKFLT);
#endif
#ifdef SIGPOLL
  sigaddset(&stops, SIGPOLL);
#endif
#ifdef SIGRTMIN
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) sigaddset(&stops, s);
#endif
  return stops;
}

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
  sigset_t stops = StopSignals();
  sigprocmask(how, &stops, nullptr);
}

}  // namespace

void InstallStopHandler() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  sigset_t stops = StopSignals();
  for (int s = 1; s < NSIG; ++s) {
    if (sigismember(&stops, s) != 1) continue;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_mask = stops;
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
