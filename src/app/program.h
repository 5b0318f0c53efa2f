#ifndef TUNEWERK_APP_PROGRAM_H_
#define TUNEWERK_APP_PROGRAM_H_

#include <memory>
#include <string>

#include "platform/drive.h"

namespace tunewerk {

// The whole program for its command line: help, version, usage errors,
// --list, --compare, or a run on drive C; its lines on stderr (each escaped as a line of
// its own) and, in a console window of its own, the close prompt. Returns
// the exit status.
int RunProgram(int argc, const char* const* argv);

// --list: the receiver file at `path` (as typed, outside drive C) listed to
// `out`. Returns 0, or 1 with the line for stderr, ending in LF, in
// *errorLine; the line names the file as the user typed it.
int ListFileAt(const std::string& path, std::unique_ptr<WritableFile> out, std::string* errorLine);

// --compare: what the receiver file at `newPath` changes against the one at
// `oldPath`, written to `out`; errors as for ListFileAt.
int CompareFilesAt(const std::string& oldPath, const std::string& newPath,
                   std::unique_ptr<WritableFile> out, std::string* errorLine);

// The lines for stderr as they are shown: each escaped alone, each ending
// in LF.
void ShowErrorLines(const std::string& lines);

}  // namespace tunewerk

#endif  // TUNEWERK_APP_PROGRAM_H_
