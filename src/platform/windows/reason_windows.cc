#include "platform/windows/reason_windows.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <type_traits>

namespace tunewerk {

static_assert(std::is_same_v<DWORD, unsigned long>);

std::string WindowsReason(unsigned long error) {
  char text[512];
  DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  std::string reason(text, length);
  for (char& c : reason) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  while (!reason.empty() && (reason.back() == ' ' || reason.back() == '.')) reason.pop_back();
  if (reason.empty()) reason = "error " + std::to_string(error);
  return reason;
}

}  // namespace tunewerk
