#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "app/list_command.h"
#include "app/run.h"
#include "platform/system.h"

namespace {

using namespace tunewerk;

int ShowUsageError(const std::string& problem) {
  std::fprintf(stderr, "tunewerk: %s\n%s", problem.c_str(), kUsageSynopsis);
  return 2;
}

int List(const std::string& path) {
  std::unique_ptr<ReadableFile> file;
  std::string reason, errorLine;
  if (!OpenFileForReading(path, &file, &reason)) {
    errorLine = "tunewerk: cannot open " + path + ": " + reason + "\n";
  } else if (ListReceiverFile(*file, path, MakeStandardOutput(), &errorLine) == 0) {
    return 0;
  }
  std::fputs(errorLine.c_str(), stderr);
  return 1;
}

int Run(const CommandLine& line) {
  std::unique_ptr<Drive> drive = MakeSystemDrive(line.directory);
  std::unique_ptr<Terminal> terminal = MakeSystemTerminal();
  std::string errorLine;
  int status =
      RunTunewerk(*drive, *terminal, &errorLine, line.answersGiven ? &line.answers : nullptr);
  std::fputs(errorLine.c_str(), stderr);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line = ParseCommandLine(argc, argv);
  switch (line.action) {
    case CommandAction::kHelp:
      std::fputs(kUsage, stdout);
      return 0;
    case CommandAction::kVersion:
      std::fputs(kVersionLine, stdout);
      return 0;
    case CommandAction::kUsageError:
      return ShowUsageError(line.problem);
    case CommandAction::kRun:
    case CommandAction::kList:
      break;
  }
  std::string reason;
  if (line.hasDirectory && !EnterDirectory(line.directory, &reason)) {
    std::fprintf(stderr, "tunewerk: cannot use %s as drive C: %s\n", line.directory.c_str(),
                 reason.c_str());
    return 1;
  }
  return line.action == CommandAction::kList ? List(line.listFile) : Run(line);
}
