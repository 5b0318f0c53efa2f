#ifndef TUNEWERK_PLATFORM_INTERRUPT_H_
#define TUNEWERK_PLATFORM_INTERRUPT_H_

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

namespace tunewerk {

// What a stopped run undoes before it ends: the temporaries it created and
// the terminal modes it changed. Stop signals are, on POSIX, every signal
// another process may send whose default action ends the process (SIGINT,
// SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM, SIGXCPU, the real-time ones,
// ...); on Windows Ctrl-C, Ctrl-Break and a closed console.

// The temporaries to delete, one slot per output and one for the folder's
// lock, bound to it for the rest of the process. The run writes it with stop signals held; the
// handler reads it through Path, which only loads atomics and reads fixed buffers.
class TemporaryTable {
 public:
  static constexpr int kSlots = 5;
  static constexpr std::size_t kPathCapacity = 4096;

  // Remembers `path` as the temporary of `output`. Not kept when every slot
  // belongs to another output or the path does not fit; an older path of
  // `output` is forgotten either way.
  void Remember(std::string_view output, std::string_view path);
  // Forgets the temporary of `output`: it was removed or renamed into place.
  void Forget(std::string_view output);
  // The remembered temporary in `slot`, nullptr for none.
  const char* Path(int slot) const;

 private:
  int SlotOf(std::string_view output);

  std::string outputs_[kSlots];  // never read by a handler
  char paths_[kSlots][kPathCapacity] = {};
  std::atomic<bool> set_[kSlots] = {};
};

// The process's table. RememberTemporary installs the stop handler first.
void RememberTemporary(std::string_view output, std::string_view path);
void ForgetTemporary(std::string_view output);
// For the handlers: TemporaryTable::Path of the process's table.
const char* RememberedTemporary(int slot);

// Makes stop signals delete the remembered temporaries and write the restore
// bytes before the run ends, not as a success; later calls do nothing. The
// Windows drive installs it when it is made, since the console's own handler
// would end the run with status 0. On POSIX it comes with the first
// temporary or restore, so that a run that writes nothing keeps the signal
// dispositions it was started with.
void InstallStopHandler();

// Bytes written to standard output when the run is stopped; nullptr for none.
// Installs the stop handler.
void SetInterruptRestore(const char* bytes);

// A stop signal that arrives between Hold and Release waits and acts at
// Release; holds do not nest.
void HoldStopSignals();
void ReleaseStopSignals();
// From now on stop signals never act; a Release no longer lets them through.
void HoldStopSignalsToEnd();

// The same, as the run's file services see it: the process's (SystemStops)
// or a test's, so that a test never holds the test process's signals.
class Stops {
 public:
  virtual ~Stops() = default;
  virtual void Hold() = 0;
  virtual void Release() = 0;
  virtual void HoldToEnd() = 0;
  // `path` is the name as the system's calls reach it.
  virtual void Remember(std::string_view output, std::string_view path) = 0;
  virtual void Forget(std::string_view output) = 0;
};
Stops& SystemStops();

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_INTERRUPT_H_
