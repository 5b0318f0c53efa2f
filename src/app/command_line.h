#ifndef TUNEWERK_APP_COMMAND_LINE_H_
#define TUNEWERK_APP_COMMAND_LINE_H_

#include <string>

namespace tunewerk {

enum class CommandAction { kRun, kHelp, kVersion, kUsageError };

// The program needs no arguments; it knows --help and --version. Anything
// else is a usage error, described in *problem.
CommandAction ParseCommandLine(int argc, const char* const* argv, std::string* problem);

extern const char kUsage[];
extern const char kVersionLine[];

}  // namespace tunewerk

#endif  // TUNEWERK_APP_COMMAND_LINE_H_
