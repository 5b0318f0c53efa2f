#ifndef TUNEWERK_APP_DIALOGUE_H_
#define TUNEWERK_APP_DIALOGUE_H_

#include "app/console.h"
#include "model/channel_tables.h"

namespace tunewerk {

// Clears the screen and shows the banner and the two information lines.
void ShowBanner(Console& console);

// Asks the four questions; an answer counts only when it is exactly the
// one-character text (the sort question: anything but exactly "n" is yes).
void AskQuestions(Console& console, RunOptions& options);

}  // namespace tunewerk

#endif  // TUNEWERK_APP_DIALOGUE_H_
