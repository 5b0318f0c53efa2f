#ifndef TUNEWERK_APP_RUN_H_
#define TUNEWERK_APP_RUN_H_

#include <string>

#include "app/dialogue.h"
#include "app/folder_lock.h"
#include "platform/drive.h"
#include "platform/terminal.h"

namespace tunewerk {

// The program's own folder, where a user may put the inputs instead of drive
// C: its path ending in a separator (empty: none) and whether a file lies
// there.
struct ProgramFolderCheck {
  std::string folder;
  bool (*holds)(const std::string& path) = nullptr;
};

// The program's folder on this system (none on POSIX and the web).
ProgramFolderCheck SystemProgramFolder();

// The file that runs the program on its own folder by a double-click.
extern const char kLauncherName[];

// What a run is given beside its drive and terminal. With `given`, the
// questions are answered from it and nothing is read. An input missing from
// the drive that lies in `programFolder` gets the way to use that folder on
// its line. With `keepOrder`, the programmes that the old receiver file holds
// keep its order, in front, and the new ones follow; the screen is the same.
// `process` judges another run's lock, `stops` holds stop signals and
// removes the temporaries after one (the system's when null).
struct RunRequest {
  const GivenAnswers* given = nullptr;
  bool keepOrder = false;
  ProgramFolderCheck programFolder{};
  const ProcessFacts* process = nullptr;
  Stops* stops = nullptr;
};

// One run from the banner to "files generated successfully", against the
// given drive and terminal. Returns 0, or 1 when the run failed. *stderrText
// gets what belongs on stderr, each line ending in LF: after a failure its
// one line, after a success a warning line for each thing the user should
// know (the list was cut at the receiver's limit; no programme was selected).
int RunTunewerk(Drive& drive, Terminal& terminal, std::string* stderrText,
                const RunRequest& request = {});

// The last line of a program whose console window closes when it ends.
extern const char kClosePrompt[];

// A window opened for this process alone (a double-click in Explorer) closes
// with it; started from a command prompt or a script, or with standard input
// or output redirected, the program shares or leaves it.
bool WindowClosesWithProcess(const ConsoleWindow& window);

// After the error line: in a window that closes with the process, the prompt
// and a wait for Enter, so that the screen and the line can be read; a stop
// meanwhile ends the process with `status`. Elsewhere nothing.
void WaitForEnterBeforeClosing(Terminal& terminal, int status);

}  // namespace tunewerk

#endif  // TUNEWERK_APP_RUN_H_
