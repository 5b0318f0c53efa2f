#ifndef TUNEWERK_APP_COMMAND_LINE_H_
#define TUNEWERK_APP_COMMAND_LINE_H_

#include <string>

#include "app/dialogue.h"

namespace tunewerk {

enum class CommandAction { kRun, kList, kCompare, kHelp, kVersion, kUsageError };

// What the arguments ask for. With no arguments: a run in drive C, the
// questions answered by the user.
struct CommandLine {
  CommandAction action = CommandAction::kRun;
  // -C DIR: drive C is DIR for the whole run (and the files of --list and
  // --compare are found there).
  bool hasDirectory = false;
  std::string directory;
  // Any of --batch, --scrambled, --c-band, --unsorted, --feeds: the answers
  // come from the options and nothing is read from standard input.
  bool answersGiven = false;
  GivenAnswers answers;
  // --list FILE.
  std::string listFile;
  // --compare OLD NEW.
  std::string compareOld;
  std::string compareNew;
  // --keep-order: the programmes the old receiver file holds keep its order.
  bool keepOrder = false;
  // For kUsageError: what is wrong, for the one line on stderr.
  std::string problem;
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

extern const char kUsage[];
// The short form shown after a usage error.
extern const char kUsageSynopsis[];
extern const char kVersionLine[];

}  // namespace tunewerk

#endif  // TUNEWERK_APP_COMMAND_LINE_H_
