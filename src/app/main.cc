#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "app/run.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  using namespace tunewerk;
  std::string problem;
  switch (ParseCommandLine(argc, argv, &problem)) {
    case CommandAction::kHelp:
      std::fputs(kUsage, stdout);
      return 0;
    case CommandAction::kVersion:
      std::fputs(kVersionLine, stdout);
      return 0;
    case CommandAction::kUsageError:
      std::fprintf(stderr, "tunewerk: %s\nUsage: tunewerk [--help | --version]\n", problem.c_str());
      return 2;
    case CommandAction::kRun:
      break;
  }
  std::unique_ptr<Drive> drive = MakeSystemDrive();
  std::unique_ptr<Terminal> terminal = MakeSystemTerminal();
  std::string errorLine;
  int status = RunTunewerk(*drive, *terminal, &errorLine);
  std::fputs(errorLine.c_str(), stderr);
  return status;
}
