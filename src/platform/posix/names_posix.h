#ifndef TUNEWERK_PLATFORM_POSIX_NAMES_POSIX_H_
#define TUNEWERK_PLATFORM_POSIX_NAMES_POSIX_H_

// What drive C does to names in the current directory, in POSIX calls, on
// the native program and the web edition alike.
#include <string>
#include <string_view>

#include "platform/drive.h"

namespace tunewerk {

// The words for the error number `error`: the one place they are taken from,
// the same on every POSIX edition.
std::string PosixReason(int error);

// The byte-wise smallest name in the current directory that equals `name`
// ignoring ASCII case; empty when there is none.
std::string FindIgnoringCase(std::string_view name);

EntryKind KindOfName(std::string_view name);
// Drive::ReadSmallFile in the current directory.
bool ReadSmallFileNamed(std::string_view name, std::size_t capacity, std::string* content,
                        bool* cut, std::string* reason);
std::string LinkTargetOf(std::string_view name);
bool RenameName(std::string_view from, std::string_view to, std::string* reason);
bool LinkName(std::string_view from, std::string_view to, bool* unsupported, std::string* reason);
bool RemoveName(std::string_view name, std::string* reason);

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_POSIX_NAMES_POSIX_H_
