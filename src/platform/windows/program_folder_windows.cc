#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "platform/system.h"

namespace tunewerk {

std::string ProgramFolder() {
  // Paths may be longer than MAX_PATH; the call cuts the name when the buffer is short.
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::string path(size, '\0');
    DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
    if (length == 0) return "";
    if (length < size) {
      path.resize(length);
      std::size_t end = path.find_last_of("\\/");
      return end == std::string::npos ? "" : path.substr(0, end + 1);
    }
  }
  return "";
}

}  // namespace tunewerk
