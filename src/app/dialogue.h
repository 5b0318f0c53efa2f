#ifndef TUNEWERK_APP_DIALOGUE_H_
#define TUNEWERK_APP_DIALOGUE_H_

#include "console/console.h"
#include "model/channel_tables.h"
#include "sdx/import.h"

namespace tunewerk {

// Clears the screen and shows the banner and the two information lines.
void ShowBanner(Console& console);

// Answers given as options instead of typed: each set one answers its
// question with "y" (the sort question: "n"); the others get the empty answer.
struct GivenAnswers {
  bool scrambled = false;
  bool cBand = false;
  bool unsorted = false;
  bool feeds = false;
};

// Asks the four questions; an answer counts only when it is exactly the
// one-character text (the sort question: anything but exactly "n" is yes).
// With `given`, nothing is read: each answer is shown after its prompt as if
// it had been typed.
void AskQuestions(Console& console, RunOptions& options, const GivenAnswers* given = nullptr);

// Shows each record of the list as read from column 1, row 12; its LF and CR
// move the cursor, so later records show on row 13. Where nobody can look
// before the next record covers one, it is not drawn (Console::WriteTextAt).
class RecordEcho final : public RecordSink {
 public:
  explicit RecordEcho(Console& console) : console_(console) {}
  void Take(std::string_view record) override;
  void TakePlainLine(std::string_view record) override;

 private:
  Console& console_;
};

}  // namespace tunewerk

#endif  // TUNEWERK_APP_DIALOGUE_H_
