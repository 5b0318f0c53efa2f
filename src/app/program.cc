#include "app/program.h"

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

namespace tunewerk {

namespace {

int ShowUsageError(const std::string& problem) {
  ShowErrorLines("tunewerk: " + problem + "\n");
  std::fputs(kUsageSynopsis, stderr);
  return 2;
}

// --help and --version: a text that cannot be written is a failure too.
int Print(const char* text) {
  std::string reason;
  if (WriteStandardOutput(text, &reason)) return 0;
  ShowErrorLines("tunewerk: cannot write to standard output: " + reason + "\n");
  return 1;
}

int Run(const CommandLine& line) {
  std::unique_ptr<Drive> drive = MakeSystemDrive(line.directory);
  std::unique_ptr<Terminal> terminal;
  std::string errorLines;
  int status;
  try {
    terminal = MakeSystemTerminal();
    RunRequest request;
    request.given = line.answersGiven ? &line.answers : nullptr;
    request.keepOrder = line.keepOrder;
    request.programFolder = SystemProgramFolder();
    status = RunTunewerk(*drive, *terminal, &errorLines, request);
  } catch (const std::bad_alloc&) {
    // Before the run began: the terminal is restored before the line and
    // the drive is untouched.
    terminal.reset();
    errorLines = "tunewerk: out of memory; no file was changed\n";
    status = 1;
  }
  // A run cut short before it finished its screen (out of memory midway)
  // gives the terminal back before its line, so that the line comes last.
  if (terminal != nullptr && !WindowClosesWithProcess(terminal->Window())) terminal.reset();
  ShowErrorLines(errorLines);
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

}  // namespace

void ShowErrorLines(const std::string& lines) {
  std::fputs(EscapeLines(lines).c_str(), stderr);
}

int ListFileAt(const std::string& path, std::unique_ptr<WritableFile> out, std::string* errorLine) {
  std::unique_ptr<ReadableFile> file;
  std::string reason;
  try {
    if (!OpenFileForReading(path, &file, &reason)) {
      *errorLine = "tunewerk: cannot open " + path + ": " + reason + "\n";
      return 1;
    }
    return ListReceiverFile(*file, path, std::move(out), errorLine);
  } catch (const std::bad_alloc&) {
    *errorLine = "tunewerk: cannot list " + path + ": out of memory\n";
    return 1;
  }
}

int CompareFilesAt(const std::string& oldPath, const std::string& newPath,
                   std::unique_ptr<WritableFile> out, std::string* errorLine) {
  std::unique_ptr<ReadableFile> oldFile, newFile;
  std::string reason;
  try {
    if (!OpenFileForReading(oldPath, &oldFile, &reason)) {
      *errorLine = "tunewerk: cannot open " + oldPath + ": " + reason + "\n";
      return 1;
    }
    if (!OpenFileForReading(newPath, &newFile, &reason)) {
      *errorLine = "tunewerk: cannot open " + newPath + ": " + reason + "\n";
      return 1;
    }
    // The names also go to standard output: no byte of them may act on a terminal there.
    return CompareReceiverFiles(*oldFile, EscapeControls(oldPath), *newFile,
                                EscapeControls(newPath), std::move(out), errorLine);
  } catch (const std::bad_alloc&) {
    *errorLine = "tunewerk: cannot compare " + oldPath + " and " + newPath + ": out of memory\n";
    return 1;
  }
}

int RunProgram(int argc, const char* const* argv) {
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
    ShowErrorLines("tunewerk: cannot use " + line.directory + " as drive C: " + reason + "\n");
    return EndBeforeRun(1);
  }
  if (line.action == CommandAction::kRun) return Run(line);
  std::string errorLine;
  int status =
      line.action == CommandAction::kCompare
          ? CompareFilesAt(line.compareOld, line.compareNew, MakeStandardOutput(), &errorLine)
          : ListFileAt(line.listFile, MakeStandardOutput(), &errorLine);
  ShowErrorLines(errorLine);
  return EndBeforeRun(status);
}

}  // namespace tunewerk
