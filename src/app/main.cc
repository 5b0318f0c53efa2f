#include <cstdio>
#include <new>
#include <string>

#include "app/command_line.h"
#include "app/compare_command.h"
#include "app/escaped_text.h"
#include "app/list_command.h"
#include "app/run.h"
#include "platform/standard_streams.h"
#include "platform/system.h"

namespace {

using namespace tunewerk;

int ShowUsageError(const std::string& problem) {
  std::fprintf(stderr, "tunewerk: %s\n%s", problem.c_str(), kUsageSynopsis);
  return 2;
}

// The line may name a file under a folder the user gave: no byte of it may
// act on the terminal.
void ShowErrorLine(const std::string& line) {
  if (line.empty()) return;
  std::string shown = EscapeControls(std::string_view(line).substr(0, line.size() - 1)) + "\n";
  std::fputs(shown.c_str(), stderr);
}

// --help and --version: a text that cannot be written is a failure too.
int Print(const char* text) {
  std::string reason;
  if (WriteStandardOutput(text, &reason)) return 0;
  std::fprintf(stderr, "tunewerk: cannot write to standard output: %s\n", reason.c_str());
  return 1;
}

int List(const std::string& path) {
  std::unique_ptr<ReadableFile> file;
  std::string reason, errorLine;
  std::string shown = EscapeForMessage(path);
  try {
    if (!OpenFileForReading(path, &file, &reason)) {
      errorLine = "tunewerk: cannot open " + shown + ": " + reason + "\n";
    } else if (ListReceiverFile(*file, shown, MakeStandardOutput(), &errorLine) == 0) {
      return 0;
    }
  } catch (const std::bad_alloc&) {
    errorLine = "tunewerk: cannot list " + shown + ": out of memory\n";
  }
  ShowErrorLine(errorLine);
  return 1;
}

int Compare(const std::string& oldPath, const std::string& newPath) {
  std::unique_ptr<ReadableFile> oldFile, newFile;
  std::string reason, errorLine;
  std::string oldShown = EscapeForMessage(oldPath), newShown = EscapeForMessage(newPath);
  try {
    if (!OpenFileForReading(oldPath, &oldFile, &reason)) {
      errorLine = "tunewerk: cannot open " + oldShown + ": " + reason + "\n";
    } else if (!OpenFileForReading(newPath, &newFile, &reason)) {
      errorLine = "tunewerk: cannot open " + newShown + ": " + reason + "\n";
    } else if (CompareReceiverFiles(*oldFile, oldShown, *newFile, newShown, MakeStandardOutput(),
                                    &errorLine) == 0) {
      return 0;
    }
  } catch (const std::bad_alloc&) {
    errorLine = "tunewerk: cannot compare " + oldShown + " and " + newShown + ": out of memory\n";
  }
  ShowErrorLine(errorLine);
  return 1;
}

int Run(const CommandLine& line) {
  std::unique_ptr<Drive> drive = MakeSystemDrive(line.directory);
  std::unique_ptr<Terminal> terminal;
  std::string errorLine;
  int status;
  try {
    terminal = MakeSystemTerminal();
    status = RunTunewerk(*drive, *terminal, &errorLine, line.answersGiven ? &line.answers : nullptr,
                         line.keepOrder);
  } catch (const std::bad_alloc&) {
    // Before the run began: the terminal is restored before the line and
    // the drive is untouched.
    terminal.reset();
    errorLine = "tunewerk: out of memory; no file was changed\n";
    status = 1;
  }
  ShowErrorLine(errorLine);
  if (terminal != nullptr) WaitForEnterBeforeClosing(*terminal, status);
  return status;
}

// The program ended before a run (help, a usage error, a folder that cannot
// be used, a listing, a comparison): a window of its own still waits for Enter.
int EndBeforeRun(int status) {
  if (WindowClosesWithProcess(SystemConsoleWindow())) {
    WaitForEnterBeforeClosing(*MakeSystemTerminal(), status);
  }
  return status;
}

int Main(int argc, char** argv) {
  PrepareStandardStreams();
  CommandLine line = ParseCommandLine(argc, argv);
  switch (line.action) {
    case CommandAction::kHelp:
      return EndBeforeRun(Print(kUsage));
    case CommandAction::kVersion:
      return EndBeforeRun(Print(kVersionLine));
    case CommandAction::kUsageError:
      return EndBeforeRun(ShowUsageError(line.problem));
    case CommandAction::kRun:
    case CommandAction::kList:
    case CommandAction::kCompare:
      break;
  }
  std::string reason;
  if (line.hasDirectory && !EnterDirectory(line.directory, &reason)) {
    std::fprintf(stderr, "tunewerk: cannot use %s as drive C: %s\n",
                 EscapeForMessage(line.directory).c_str(), reason.c_str());
    return EndBeforeRun(1);
  }
  switch (line.action) {
    case CommandAction::kList:
      return EndBeforeRun(List(line.listFile));
    case CommandAction::kCompare:
      return EndBeforeRun(Compare(line.compareOld, line.compareNew));
    default:
      return Run(line);
  }
}

}  // namespace

// No path ends in an uncaught exception: what the parts above do not catch
// (memory for the command line or a message) still ends with one line.
int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("tunewerk: out of memory; no file was changed\n", stderr);
  } catch (...) {
    std::fputs("tunewerk: internal error\n", stderr);
  }
  return 1;
}
