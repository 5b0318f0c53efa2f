#ifndef TUNEWERK_APP_RUN_H_
#define TUNEWERK_APP_RUN_H_

#include <string>

#include "app/dialogue.h"
#include "platform/drive.h"
#include "platform/terminal.h"

namespace tunewerk {

// One run from the banner to "files generated successfully", against the
// given drive and terminal. Returns 0, or 1 when the run entered the file
// error state; then *errorLine holds the one line for stderr (with LF).
// With `given`, the questions are answered from it and nothing is read.
int RunTunewerk(Drive& drive, Terminal& terminal, std::string* errorLine,
                const GivenAnswers* given = nullptr);

// Removes the temporaries a run that ended early may have left.
void RemoveTemporaries(Drive& drive);

}  // namespace tunewerk

#endif  // TUNEWERK_APP_RUN_H_
