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
int RunTunewerk(Drive& drive, Terminal& terminal, std::string* stderrText,
                const GivenAnswers* given = nullptr);

}  // namespace tunewerk

#endif  // TUNEWERK_APP_RUN_H_
