#include "platform/transcript.h"

#include <gtest/gtest.h>

#include <string>

namespace tunewerk {
namespace {

struct GlyphRowCase {
  const char* name;
  std::string cells;  // written at row 1, column 1
  std::string expected;
};

class TranscriptGlyphTest : public testing::TestWithParam<GlyphRowCase> {};

TEST_P(TranscriptGlyphTest, RowsAreWrittenAsGlyphs) {
  const GlyphRowCase& c = GetParam();
  Screen screen(10, 3, 0x07);
  screen.Put(c.cells);
  EXPECT_EQ(RenderTranscript(screen), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, TranscriptGlyphTest,
    testing::Values(GlyphRowCase{"EscapeSequence", "\x1b[2J", "\xe2\x86\x90[2J\n"},
                    GlyphRowCase{"OscTitleItsBellShowsNothing", "\x1b]0;x\x07",
                                 "\xe2\x86\x90]0;x\n"},
                    GlyphRowCase{"EightBitCsi",
                                 "\x9b"
                                 "31m",
                                 "\xc2\xa2"
                                 "31m\n"},
                    GlyphRowCase{"TabAndEndOfFile", "\t\x1a", "\xe2\x97\x8b\xe2\x86\x92\n"},
                    GlyphRowCase{"UmlautAsItsLetter", "\x84", "\xc3\xa4\n"},
                    GlyphRowCase{"ZeroBytesAtTheEndAreBlanks", std::string("ab\0\0 \0", 6), "ab\n"},
                    GlyphRowCase{"ZeroBytesInsideStay", std::string("a\0b", 3), "a b\n"},
                    GlyphRowCase{"RowOfZeroBytesIsBlank", std::string("\0\0\0", 3), ""},
                    GlyphRowCase{"NoBreakSpaceIsNotTrimmed", "a\xff", "a\xc2\xa0\n"},
                    GlyphRowCase{"WholeRowNoLineEndInside", "0123456789x", "0123456789\nx\n"}),
    [](const testing::TestParamInfo<GlyphRowCase>& param) { return param.param.name; });

TEST(TranscriptTest, BlankRowsBetweenAreKeptAndBlankRowsBelowCut) {
  Screen screen(4, 5, 0x07);
  screen.MoveCursor(1, 3);
  screen.Put(std::string("\0x", 2));
  EXPECT_EQ(RenderTranscript(screen), "\n\n x\n");
}

TEST(ScreenSizeTest, SidesAreClipped) {
  Screen huge(65535, 65535, 0x07);
  EXPECT_EQ(huge.width(), kLargestScreenSide);
  EXPECT_EQ(huge.height(), kLargestScreenSide);
  Screen none(0, -3, 0x07);
  EXPECT_EQ(none.width(), 1);
  EXPECT_EQ(none.height(), 1);
}

}  // namespace
}  // namespace tunewerk
