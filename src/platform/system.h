#ifndef TUNEWERK_PLATFORM_SYSTEM_H_
#define TUNEWERK_PLATFORM_SYSTEM_H_

#include <memory>

#include "platform/drive.h"
#include "platform/terminal.h"

namespace tunewerk {

// Drive C of this platform: the current directory on POSIX, c:\ on Windows.
std::unique_ptr<Drive> MakeSystemDrive();

// The live terminal or console when standard output is one, otherwise the
// 80 x 25 transcript written at exit.
std::unique_ptr<Terminal> MakeSystemTerminal();

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_SYSTEM_H_
