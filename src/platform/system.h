#ifndef TUNEWERK_PLATFORM_SYSTEM_H_
#define TUNEWERK_PLATFORM_SYSTEM_H_

#include <memory>
#include <string>
#include <string_view>

#include "platform/drive.h"
#include "platform/terminal.h"

namespace tunewerk {

// Makes `directory` the current directory, so that drive C and any relative
// name given later are found there. False with the system's words in *reason.
bool EnterDirectory(const std::string& directory, std::string* reason);

// Drive C of this platform: the current directory on POSIX, c:\ on Windows;
// or `directory` (already entered) when it is not empty. Messages name files
// as the user would: "user.sdx", "c:\user.sdx", "DIR/user.sdx".
std::unique_ptr<Drive> MakeSystemDrive(std::string_view directory = {});

// Opens an existing regular file by its path, outside drive C.
bool OpenFileForReading(const std::string& path, std::unique_ptr<ReadableFile>* file,
                        std::string* reason);

// Standard output as a byte stream: nothing translated, nothing buffered here.
std::unique_ptr<WritableFile> MakeStandardOutput();

// The live terminal or console when standard output is one, otherwise the
// 80 x 25 transcript written at exit.
std::unique_ptr<Terminal> MakeSystemTerminal();

// The console window of this process; the empty one on POSIX.
ConsoleWindow SystemConsoleWindow();

// The folder the program file lies in, ending in its separator, where drive C
// is a fixed folder and users may put the inputs beside the program instead
// (Windows); empty on POSIX and the web, where drive C is the current directory.
std::string ProgramFolder();

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_SYSTEM_H_
