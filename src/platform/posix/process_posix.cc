#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include "platform/process.h"

namespace tunewerk {

const char* ProcessIdKind() {
  return "posix";
}

std::uint64_t CurrentProcessId() {
  return static_cast<std::uint64_t>(getpid());
}

std::string CurrentHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

// Signal 0 only asks: ESRCH means no such process; EPERM one that runs
// under another user.
ProcessState StateOfProcess(std::uint64_t pid) {
  auto id = static_cast<pid_t>(pid);
  if (id <= 0 || static_cast<std::uint64_t>(id) != pid) return ProcessState::kUnknown;
  if (kill(id, 0) == 0) return ProcessState::kRunning;
  int error = errno;
  if (error == ESRCH) return ProcessState::kGone;
  return error == EPERM ? ProcessState::kRunning : ProcessState::kUnknown;
}

}  // namespace tunewerk
