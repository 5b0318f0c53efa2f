#include "app/command_line.h"

#include <string_view>

namespace tunewerk {

const char kVersionLine[] = "tunewerk 1.06\n";

const char kUsage[] =
    "Usage: tunewerk\n"
    "       tunewerk --help | --version\n"
    "\n"
    "Turns an SDX channel list into a Radix 3CI-Advanced receiver channel file.\n"
    "Takes no arguments. Drive C is c:\\ on Windows, the current directory\n"
    "elsewhere. Reads user.sdx, vaz3er.ini and 3ci.drc there, asks four\n"
    "questions and writes user.drc, tunewerk.txt, audio.txt and video.txt.\n"
    "\n"
    "Questions (only the exact answer counts):\n"
    "  Include scrambled programmes (y=yes)?\n"
    "  Include C-Band (y=yes)?\n"
    "  Sort alphabetically by satellite (n=no)?   (empty: sort)\n"
    "  Include feeds & test cards (y=yes)?\n"
    "\n"
    "Options:\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 when the files were generated, 1 when a file could not be\n"
    "read or written (the reason goes to standard error; no output changes),\n"
    "2 for a usage error. See tunewerk(1).\n";

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
