#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tunewerk {
namespace {

CommandLine Parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "tunewerk");
  return ParseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

// Given answers as the letters of the options set: s, c, u, f.
std::string Letters(const GivenAnswers& a) {
  return std::string(a.scrambled ? "s" : "") + (a.cBand ? "c" : "") + (a.unsorted ? "u" : "") +
         (a.feeds ? "f" : "");
}

TEST(CommandLineTest, OptionsAreUnderstood) {
  struct Case {
    std::vector<const char*> arguments;
    CommandAction action;
    const char* directory;  // nullptr: no -C
    bool answersGiven;
    const char* answers;
    const char* listFile;
  } cases[] = {
      {{}, CommandAction::kRun, nullptr, false, "", ""},
      {{"--help"}, CommandAction::kHelp, nullptr, false, "", ""},
      {{"-h"}, CommandAction::kHelp, nullptr, false, "", ""},
      {{"--version"}, CommandAction::kVersion, nullptr, false, "", ""},
      {{"-C", "drive"}, CommandAction::kRun, "drive", false, "", ""},
      {{"-Cdrive"}, CommandAction::kRun, "drive", false, "", ""},
      {{"--directory=d:\\lists"}, CommandAction::kRun, "d:\\lists", false, "", ""},
      {{"--directory", "x y"}, CommandAction::kRun, "x y", false, "", ""},
      {{"--directory="}, CommandAction::kRun, "", false, "", ""},  // fails when entered
      {{"-C", "--batch"}, CommandAction::kRun, "--batch", false, "", ""},
      {{"--batch"}, CommandAction::kRun, nullptr, true, "", ""},
      {{"--scrambled"}, CommandAction::kRun, nullptr, true, "s", ""},
      {{"--c-band"}, CommandAction::kRun, nullptr, true, "c", ""},
      {{"--unsorted"}, CommandAction::kRun, nullptr, true, "u", ""},
      {{"--feeds"}, CommandAction::kRun, nullptr, true, "f", ""},
      {{"--feeds", "--scrambled", "--feeds", "--c-band", "--unsorted", "--batch"},
       CommandAction::kRun,
       nullptr,
       true,
       "scuf",
       ""},
      {{"--batch", "-C", "d", "--c-band"}, CommandAction::kRun, "d", true, "c", ""},
      {{"--list", "user.drc"}, CommandAction::kList, nullptr, false, "", "user.drc"},
      {{"--list=old.drc"}, CommandAction::kList, nullptr, false, "", "old.drc"},
      {{"-C", "d", "--list", "-x"}, CommandAction::kList, "d", false, "", "-x"},
  };
  for (const Case& c : cases) {
    std::string label = c.arguments.empty() ? "(none)" : c.arguments[0];
    CommandLine line = Parse(c.arguments);
    EXPECT_EQ(line.action, c.action) << label << ": " << line.problem;
    EXPECT_EQ(line.hasDirectory, c.directory != nullptr) << label;
    EXPECT_EQ(line.directory, c.directory != nullptr ? c.directory : "") << label;
    EXPECT_EQ(line.answersGiven, c.answersGiven) << label;
    EXPECT_EQ(Letters(line.answers), c.answers) << label;
    EXPECT_EQ(line.listFile, c.listFile) << label;
  }
}

TEST(CommandLineTest, WrongArgumentsAreUsageErrorsSayingWhy) {
  struct Case {
    std::vector<const char*> arguments;
    const char* problem;
  } cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"-x"}, "unknown option '-x'"},
      {{"extra"}, "unexpected argument 'extra'"},
      {{"-"}, "unexpected argument '-'"},
      {{"-C"}, "-C needs a directory"},
      {{"--directory"}, "--directory needs a directory"},
      {{"--batch", "--list"}, "--list needs a file"},
      {{"--list"}, "--list needs a file"},
      {{"--listing"}, "unknown option '--listing'"},
      {{"--batc"}, "unknown option '--batc'"},
      {{"-C", "a", "-C", "b"}, "-C given twice"},
      {{"--list", "a", "--list", "b"}, "--list given twice"},
      {{"--list", "a", "--feeds"}, "--list asks no questions: it takes no answer options"},
      {{"--help", "extra"}, "unexpected argument 'extra'"},
      {{"--help", "--version"}, "--help takes no other options"},
      {{"--version", "--batch"}, "--version takes no other options"},
      {{"-C", "d", "--help"}, "--help takes no other options"},
      {{"--scrambled", "file.sdx"}, "unexpected argument 'file.sdx'"},
  };
  for (const Case& c : cases) {
    CommandLine line = Parse(c.arguments);
    EXPECT_EQ(line.action, CommandAction::kUsageError) << c.problem;
    EXPECT_EQ(line.problem, c.problem);
  }
}

}  // namespace
}  // namespace tunewerk
