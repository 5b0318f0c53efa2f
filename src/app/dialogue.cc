#include "app/dialogue.h"

#include <string>

namespace tunewerk {

namespace {

constexpr std::uint8_t kBlack = 0;
constexpr std::uint8_t kLightGrey = 7;
constexpr std::uint8_t kLightMagenta = 13;  // the background keeps bits 0-2: magenta
constexpr std::size_t kAnswerLimit = 20;
constexpr int kEchoColumn = 1;
constexpr int kEchoRow = 12;

// A given answer is `yes` or empty; without `given` the user types it.
std::string Ask(Console& console, const char* prompt, const GivenAnswers* given, bool option,
                const char* yes) {
  console.WriteText(prompt);
  if (given == nullptr) return console.ReadLine(kAnswerLimit);
  return console.ShowAnswer(option ? yes : "", kAnswerLimit);
}

}  // namespace

void ShowBanner(Console& console) {
  console.ClearScreen();
  console.SetBackground(kLightMagenta);
  console.SetForeground(kBlack);
  console.WriteLine("Tunewerk " TUNEWERK_VERSION " for Radix 3CI-Advanced by Ostervald");
  console.SetBackground(kBlack);
  console.SetForeground(kLightGrey);
  console.WriteLine("Store old drc-file as 3ci.drc, SDX-list as user.sdx and vaz3er.ini in C:\\");
  console.WriteLine("User.drc, audio.txt, video.txt and tunewerk.txt will be generated in C:\\");
  console.WriteLine("");
}

void AskQuestions(Console& console, RunOptions& options, const GivenAnswers* given) {
  GivenAnswers none;
  const GivenAnswers& set = given != nullptr ? *given : none;
  options.includeScrambled =
      Ask(console, "Include scrambled programmes (y=yes)? ", given, set.scrambled, "y") == "y";
  options.includeCBand = Ask(console, "Include C-Band (y=yes)? ", given, set.cBand, "y") == "y";
  options.sortBySatellite =
      Ask(console, "Sort alphabetically by satellite (n=no)? ", given, set.unsorted, "n") != "n";
  options.includeFeeds =
      Ask(console, "Include feeds & test cards (y=yes)? ", given, set.feeds, "y") == "y";
}

void RecordEcho::Take(std::string_view record) {
  console_.WriteTextAt(kEchoColumn, kEchoRow, record);
}

void RecordEcho::TakePlainLine(std::string_view record) {
  console_.WritePlainLineAt(kEchoColumn, kEchoRow, record);
}

}  // namespace tunewerk
