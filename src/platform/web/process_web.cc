// The web editions cannot yet tell their process: every holder they record
// is one whose state is unknown.
#include "platform/process.h"

namespace tunewerk {

const char* ProcessIdKind() {
  return "posix";
}

std::uint64_t CurrentProcessId() {
  return 1;
}

std::string CurrentHostName() {
  return "web";
}

ProcessState StateOfProcess(std::uint64_t) {
  return ProcessState::kUnknown;
}

}  // namespace tunewerk
