#include "app/escaped_text.h"

#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"

namespace tunewerk {
namespace {

TEST(EscapedTextTest, OnlyPrintableTextPasses) {
  struct Case {
    std::string text;
    const char* shown;
  } cases[] = {
      {"--bogus", "--bogus"},
      {"\x1b[2J", "\\x1b[2J"},
      {"\x1b]52;c;eA==\x07", "\\x1b]52;c;eA==\\x07"},
      {"a\nb\rc\td", "a\\x0ab\\x0dc\\x09d"},
      {"del\x7f", "del\\x7f"},
      {"\x9b"
       "31m",
       "\\x9b31m"},  // a lone 8-bit CSI
      {"\xc2\x9b"
       "31m",
       "\\xc2\\x9b31m"},                 // U+009B, the CSI in UTF-8
      {"caf\xc3\xa9", "caf\xc3\xa9"},    // a letter in UTF-8 stays
      {"\xe2\x86\x92", "\xe2\x86\x92"},  //
      {"\xf0\x9f\x93\xba", "\xf0\x9f\x93\xba"},
      {"\xc2\xa0", "\xc2\xa0"},                      // U+00A0, the first letter after the controls
      {"\xf4\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf"},      // U+10FFFF, the last one
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},  // past U+10FFFF
      {"\xc3", "\\xc3"},                             // cut short
      {"\xc0\xaf", "\\xc0\\xaf"},                    // overlong
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},           // a surrogate
      {"c:\\x1b", "c:\\\\x1b"},                      // a backslash cannot fake an escape
      {std::string("a\0b", 3), "a\\x00b"},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeForMessage(c.text), c.shown) << c.shown;
}

TEST(EscapedTextTest, WholeLinesKeepTheirBackslashes) {
  EXPECT_EQ(EscapeControls("cannot open c:\\user.sdx: gone"), "cannot open c:\\user.sdx: gone");
  EXPECT_EQ(EscapeControls("cannot open x\x1b[2J/user.sdx"), "cannot open x\\x1b[2J/user.sdx");
}

TEST(EscapedTextTest, EachLineForStderrStaysALine) {
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"", ""},
      {"tunewerk: one\n", "tunewerk: one\n"},
      {"tunewerk: warning: a\ntunewerk: warning: b\n",
       "tunewerk: warning: a\ntunewerk: warning: b\n"},
      {"tunewerk: cannot use Z:\\tmp\\wd\\CON as drive C: gone\n",
       "tunewerk: cannot use Z:\\tmp\\wd\\CON as drive C: gone\n"},
      {"tunewerk: cannot open a\rb\x1b[2J\n", "tunewerk: cannot open a\\x0db\\x1b[2J\n"},
      {"no line end", "no line end\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeLines(c.text), c.shown) << c.text;
}

TEST(CommandLineTest, UsageErrorsShowArgumentsEscaped) {
  struct Case {
    std::vector<const char*> argv;
    const char* problem;
  } cases[] = {
      {{"tunewerk", "extra"}, "unexpected argument 'extra'"},
      {{"tunewerk", "-\x1b[2J"}, "unknown option '-\\x1b[2J'"},
      {{"tunewerk", "\x1b]0;owned\x07"}, "unexpected argument '\\x1b]0;owned\\x07'"},
      {{"tunewerk", "--help", "\x9b"}, "unexpected argument '\\x9b'"},
      {{"tunewerk", "-C"}, "-C needs a directory"},
  };
  for (const Case& c : cases) {
    CommandLine line = ParseCommandLine(static_cast<int>(c.argv.size()), c.argv.data());
    EXPECT_EQ(line.action, CommandAction::kUsageError);
    EXPECT_EQ(line.problem, c.problem);
  }
}

}  // namespace
}  // namespace tunewerk
