// Processes on the web. The node runner is a host process like the native
// program: its pid, its host's name, and whether another pid still runs, all
// from node. The page's folder lives in memory for one run of one page, so no
// other process can hold it: any lock found there was left by nothing that
// runs.
#include <emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/process.h"

namespace {

// clang-format off: it would take JavaScript for C++.
EM_JS(double, tunewerk_process_id, (), { return ENVIRONMENT_IS_NODE ? process.pid : 1; });

EM_JS(char*, tunewerk_host_name, (), {
  var name = ENVIRONMENT_IS_NODE ? require('os').hostname() : 'page';
  var size = lengthBytesUTF8(name) + 1;
  var copy = _malloc(size);
  stringToUTF8(name, copy, size);
  return copy;
});

// 1 running, 0 gone, -1 unknown.
EM_JS(int, tunewerk_process_state, (double pid), {
  if (!ENVIRONMENT_IS_NODE) return 0;
  try {
    process.kill(pid, 0);
    return 1;
  } catch (e) {
    return e.code == 'ESRCH' ? 0 : e.code == 'EPERM' ? 1 : -1;
  }
});

// clang-format on

}  // namespace

namespace tunewerk {

// The node runner's ids are the host's; the page's compare with nothing else.
const char* ProcessIdKind() {
  return EM_ASM_INT({ return ENVIRONMENT_IS_NODE; }) != 0 ? "posix" : "page";
}

std::uint64_t CurrentProcessId() {
  return static_cast<std::uint64_t>(tunewerk_process_id());
}

std::string CurrentHostName() {
  char* name = tunewerk_host_name();
  std::string copy(name);
  free(name);
  return copy;
}

ProcessState StateOfProcess(std::uint64_t pid) {
  switch (tunewerk_process_state(static_cast<double>(pid))) {
    case 1:
      return ProcessState::kRunning;
    case 0:
      return ProcessState::kGone;
    default:
      return ProcessState::kUnknown;
  }
}

}  // namespace tunewerk
