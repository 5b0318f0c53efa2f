#ifndef TUNEWERK_PLATFORM_REASON_WINDOWS_H_
#define TUNEWERK_PLATFORM_REASON_WINDOWS_H_

#include <string>

namespace tunewerk {

// The system's words for `error` (a DWORD from GetLastError) on one line,
// without the closing period: the one place the Windows files take them from.
std::string WindowsReason(unsigned long error);

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_REASON_WINDOWS_H_
