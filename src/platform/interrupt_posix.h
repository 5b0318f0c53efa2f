#ifndef TUNEWERK_PLATFORM_INTERRUPT_POSIX_H_
#define TUNEWERK_PLATFORM_INTERRUPT_POSIX_H_

namespace tunewerk {

// What an interrupted run (SIGINT, SIGTERM, SIGHUP, SIGQUIT) undoes before it dies:
// the temporaries it created and the terminal modes it changed.
constexpr int kInterruptSlots = 4;

// Remembers `path` in `slot` (nullptr forgets it) to be unlinked on interrupt.
void SetInterruptUnlink(int slot, const char* path);
// Bytes written to standard output on interrupt; nullptr for none.
void SetInterruptRestore(const char* bytes);

// A stop signal that arrives between Hold and Release waits and acts at
// Release; holds do not nest.
void HoldStopSignals();
void ReleaseStopSignals();
// From now on stop signals never act; a Release no longer lets them through.
void HoldStopSignalsToEnd();

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_INTERRUPT_POSIX_H_
