#ifndef TUNEWERK_PLATFORM_PROCESS_H_
#define TUNEWERK_PLATFORM_PROCESS_H_

#include <cstdint>
#include <string>

namespace tunewerk {

// The process identity a folder lock records, and whether the process a lock
// names still runs. Process ids are only comparable within one kind.

// "posix" (native POSIX and the node runner: the host's process ids) or
// "windows".
const char* ProcessIdKind();
std::uint64_t CurrentProcessId();
std::string CurrentHostName();

enum class ProcessState { kRunning, kGone, kUnknown };
// Whether the process `pid` of this system's kind, on this host, still runs.
ProcessState StateOfProcess(std::uint64_t pid);

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_PROCESS_H_
