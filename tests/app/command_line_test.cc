#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/param_name.h"

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

struct OptionsCase {
  const char* name;
  std::vector<const char*> arguments;
  CommandAction action;
  const char* directory;  // nullptr: no -C
  bool answersGiven;
  const char* answers;
  const char* listFile;
  const char* compared = "";  // OLD and NEW of --compare, a blank between
  bool keepOrder = false;
};

class CommandLineOptionsTest : public testing::TestWithParam<OptionsCase> {};

TEST_P(CommandLineOptionsTest, AreUnderstood) {
  const OptionsCase& c = GetParam();
  CommandLine line = Parse(c.arguments);
  EXPECT_EQ(line.action, c.action) << line.problem;
  EXPECT_EQ(line.hasDirectory, c.directory != nullptr);
  EXPECT_EQ(line.directory, c.directory != nullptr ? c.directory : "");
  EXPECT_EQ(line.answersGiven, c.answersGiven);
  EXPECT_EQ(Letters(line.answers), c.answers);
  EXPECT_EQ(line.listFile, c.listFile);
  EXPECT_EQ(line.compareOld + (line.compareNew.empty() ? "" : " " + line.compareNew), c.compared);
  EXPECT_EQ(line.keepOrder, c.keepOrder);
}

INSTANTIATE_TEST_SUITE_P(
    Options, CommandLineOptionsTest,
    testing::Values(
        OptionsCase{"none", {}, CommandAction::kRun, nullptr, false, "", ""},
        OptionsCase{"help", {"--help"}, CommandAction::kHelp, nullptr, false, "", ""},
        OptionsCase{"short help", {"-h"}, CommandAction::kHelp, nullptr, false, "", ""},
        OptionsCase{"version", {"--version"}, CommandAction::kVersion, nullptr, false, "", ""},
        OptionsCase{
            "C then directory", {"-C", "drive"}, CommandAction::kRun, "drive", false, "", ""},
        OptionsCase{
            "C joined to directory", {"-Cdrive"}, CommandAction::kRun, "drive", false, "", ""},
        OptionsCase{"directory after equals",
                    {"--directory=d:\\lists"},
                    CommandAction::kRun,
                    "d:\\lists",
                    false,
                    "",
                    ""},
        OptionsCase{"directory with a blank",
                    {"--directory", "x y"},
                    CommandAction::kRun,
                    "x y",
                    false,
                    "",
                    ""},
        OptionsCase{"directory that looks like an option",
                    {"-C", "--batch"},
                    CommandAction::kRun,
                    "--batch",
                    false,
                    "",
                    ""},
        OptionsCase{"batch", {"--batch"}, CommandAction::kRun, nullptr, true, "", ""},
        OptionsCase{"scrambled", {"--scrambled"}, CommandAction::kRun, nullptr, true, "s", ""},
        OptionsCase{"C band", {"--c-band"}, CommandAction::kRun, nullptr, true, "c", ""},
        OptionsCase{"unsorted", {"--unsorted"}, CommandAction::kRun, nullptr, true, "u", ""},
        OptionsCase{"feeds", {"--feeds"}, CommandAction::kRun, nullptr, true, "f", ""},
        OptionsCase{"every answer once or twice",
                    {"--feeds", "--scrambled", "--feeds", "--c-band", "--unsorted", "--batch"},
                    CommandAction::kRun,
                    nullptr,
                    true,
                    "scuf",
                    ""},
        OptionsCase{"answers around a directory",
                    {"--batch", "-C", "d", "--c-band"},
                    CommandAction::kRun,
                    "d",
                    true,
                    "c",
                    ""},
        OptionsCase{"list then file",
                    {"--list", "user.drc"},
                    CommandAction::kList,
                    nullptr,
                    false,
                    "",
                    "user.drc"},
        OptionsCase{"list after equals",
                    {"--list=old.drc"},
                    CommandAction::kList,
                    nullptr,
                    false,
                    "",
                    "old.drc"},
        OptionsCase{"list of a file that looks like an option",
                    {"-C", "d", "--list", "-x"},
                    CommandAction::kList,
                    "d",
                    false,
                    "",
                    "-x"},
        OptionsCase{"compare two files",
                    {"--compare", "3ci.drc", "user.drc"},
                    CommandAction::kCompare,
                    nullptr,
                    false,
                    "",
                    "",
                    "3ci.drc user.drc"},
        OptionsCase{"keep order alone asks the questions",
                    {"--keep-order"},
                    CommandAction::kRun,
                    nullptr,
                    false,
                    "",
                    "",
                    "",
                    true},
        OptionsCase{"keep order with an answer",
                    {"--keep-order", "--feeds"},
                    CommandAction::kRun,
                    nullptr,
                    true,
                    "f",
                    "",
                    "",
                    true}),
    NameField());

struct UsageCase {
  const char* name;
  std::vector<const char*> arguments;
  const char* problem;
};

class CommandLineUsageTest : public testing::TestWithParam<UsageCase> {};

TEST_P(CommandLineUsageTest, WrongArgumentsAreUsageErrorsSayingWhy) {
  CommandLine line = Parse(GetParam().arguments);
  EXPECT_EQ(line.action, CommandAction::kUsageError);
  EXPECT_EQ(line.problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CommandLineUsageTest,
    testing::Values(
        UsageCase{"unknown long option", {"--bogus"}, "unknown option '--bogus'"},
        UsageCase{"unknown short option", {"-x"}, "unknown option '-x'"},
        UsageCase{"argument", {"extra"}, "unexpected argument 'extra'"},
        UsageCase{"lone dash", {"-"}, "unexpected argument '-'"},
        UsageCase{"C without directory", {"-C"}, "-C needs a directory"},
        UsageCase{"directory without directory", {"--directory"}, "--directory needs a directory"},
        UsageCase{"list without file after batch", {"--batch", "--list"}, "--list needs a file"},
        UsageCase{"list without file", {"--list"}, "--list needs a file"},
        UsageCase{"C empty", {"-C", ""}, "-C needs a directory"},
        UsageCase{"directory empty", {"--directory="}, "--directory needs a directory"},
        UsageCase{"list empty", {"--list="}, "--list needs a file"},
        UsageCase{"list given empty", {"--list", ""}, "--list needs a file"},
        UsageCase{"the first problem wins", {"-C", "a", "-C"}, "-C needs a directory"},
        UsageCase{"longer than list", {"--listing"}, "unknown option '--listing'"},
        UsageCase{"shorter than batch", {"--batc"}, "unknown option '--batc'"},
        UsageCase{"C twice", {"-C", "a", "-C", "b"}, "-C given twice"},
        UsageCase{"list twice", {"--list", "a", "--list", "b"}, "--list given twice"},
        UsageCase{"list with an answer",
                  {"--list", "a", "--feeds"},
                  "--list asks no questions: it takes no answer options"},
        UsageCase{"help with an argument", {"--help", "extra"}, "unexpected argument 'extra'"},
        UsageCase{"help with version", {"--help", "--version"}, "--help takes no other options"},
        UsageCase{
            "version with batch", {"--version", "--batch"}, "--version takes no other options"},
        UsageCase{"help after a directory", {"-C", "d", "--help"}, "--help takes no other options"},
        UsageCase{
            "answer then a file", {"--scrambled", "file.sdx"}, "unexpected argument 'file.sdx'"},
        UsageCase{"compare without files", {"--compare"}, "--compare needs two files"},
        UsageCase{"compare with one file", {"--compare", "a"}, "--compare needs two files"},
        UsageCase{
            "compare with an empty file", {"--compare", "a", ""}, "--compare needs two files"},
        UsageCase{"compare twice",
                  {"--compare", "a", "b", "--compare", "c", "d"},
                  "--compare given twice"},
        UsageCase{"compare and list",
                  {"--compare", "a", "b", "--list", "c"},
                  "--list and --compare go apart"},
        UsageCase{"compare with an answer",
                  {"--compare", "a", "b", "--batch"},
                  "--compare asks no questions: it takes no answer options"},
        UsageCase{"list keeping the order",
                  {"--list", "a", "--keep-order"},
                  "--list writes no files: it takes no --keep-order"},
        UsageCase{
            "help keeping the order", {"--keep-order", "--help"}, "--help takes no other options"}),
    NameField());

}  // namespace
}  // namespace tunewerk
