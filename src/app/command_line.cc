#include "app/command_line.h"

#include <string_view>

namespace tunewerk {

const char kVersionLine[] = "tunewerk 1.06\n";

const char kUsage[] =
    "Usage: tunewerk [--help | --version]\n"
    "\n"
    "Turns an SDX channel list into a receiver channel file. Run it in the\n"
    "directory that serves as drive C; it reads user.sdx, vaz3er.ini and\n"
    "3ci.drc there, asks four yes/no questions and writes user.drc,\n"
    "tunewerk.txt, audio.txt and video.txt beside them.\n"
    "\n"
    "Exit status: 0 when the files were generated, 1 when a file could not be\n"
    "read or written (the reason goes to standard error), 2 for a usage error.\n";

CommandAction ParseCommandLine(int argc, const char* const* argv, std::string* problem) {
  if (argc <= 1) return CommandAction::kRun;
  std::string_view first = argv[1];
  if (argc == 2 && first == "--help") return CommandAction::kHelp;
  if (argc == 2 && first == "--version") return CommandAction::kVersion;
  if (argc > 2 && (first == "--help" || first == "--version")) {
    *problem = "unexpected argument '" + std::string(argv[2]) + "'";
  } else if (first.size() > 1 && first[0] == '-') {
    *problem = "unknown option '" + std::string(first) + "'";
  } else {
    *problem = "unexpected argument '" + std::string(first) + "'";
  }
  return CommandAction::kUsageError;
}

}  // namespace tunewerk
