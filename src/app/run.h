#ifndef TUNEWERK_APP_RUN_H_
#define TUNEWERK_APP_RUN_H_

#include <string>

#include "app/dialogue.h"
#include "platform/drive.h"
#include "platform/terminal.h"

namespace tunewerk {

// One run from the banner to "files generated successfully", against the
// given drive and terminal. Returns 0, or 1 when the run failed. *stderrText
// gets what belongs on stderr, each line ending in LF: after a failure its
// one line, after a success a warning line for each thing the user should
// know (the list was cut at the receiver's limit; no programme was selected).
// With `given`, the questions are answered from it and nothing is read.
// With `keepOrder`, the programmes that the old receiver file holds keep its
// order, in front, and the new ones follow; the screen is the same.
int RunTunewerk(Drive& drive, Terminal& terminal, std::string* stderrText,
                const GivenAnswers* given = nullptr, bool keepOrder = false);

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
