#include "model/screen.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/transcript.h"

namespace tunewerk {
namespace {

// Row text of a screen, trailing blanks kept.
std::string RowText(const Screen& screen, int row) {
  std::string text;
  for (int column = 1; column <= screen.width(); ++column) {
    text.push_back(static_cast<char>(screen.At(column, row).character));
  }
  return text;
}

struct CursorCase {
  const char* name;
  std::string bytes;
  int column;
  int row;
  std::string row2;  // expected text of row 2 (5 columns)
};

class ScreenCursorTest : public testing::TestWithParam<CursorCase> {};

TEST_P(ScreenCursorTest, ControlBytesActOnTheCursor) {
  const CursorCase& c = GetParam();
  Screen screen(5, 3, 0x07);
  screen.MoveCursor(1, 2);
  screen.Put(c.bytes);
  EXPECT_EQ(screen.cursorColumn(), c.column);
  EXPECT_EQ(screen.cursorRow(), c.row);
  EXPECT_EQ(RowText(screen, 2), c.row2);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, ScreenCursorTest,
    testing::Values(CursorCase{"CarriageReturnToColumnOne", "ab\r", 1, 2, "ab   "},
                    CursorCase{"LineFeedKeepsColumn", "ab\n", 3, 3, "ab   "},
                    CursorCase{"BellShowsNothing", "a\ab", 3, 2, "ab   "},
                    CursorCase{"BackspaceMovesLeft", "ab\bc", 3, 2, "ac   "},
                    CursorCase{"BackspaceStopsAtColumnOne", "\b\bx", 2, 2, "x    "},
                    CursorCase{"OtherControlBytesFillCells", std::string("\0\t\x1a\xff", 4), 5, 2,
                               std::string("\0\t\x1a\xff ", 5)},
                    CursorCase{"WrapIsImmediate", "abcde", 1, 3, "abcde"},
                    CursorCase{"CarriageReturnLineFeed", "ab\r\n", 1, 3, "ab   "}),
    [](const testing::TestParamInfo<CursorCase>& p) { return p.param.name; });

TEST(ScreenTest, ByteZeroIsKeptInItsCell) {
  Screen screen(5, 3, 0x07);
  screen.Put(std::string_view("\0", 1));
  EXPECT_EQ(screen.At(1, 1).character, 0);
}

TEST(ScreenTest, LineFeedOnLastRowScrollsWithBlankRowInCurrentAttribute) {
  Screen screen(3, 2, 0x07);
  screen.Put("abc");  // wraps to row 2
  screen.Put("def");  // wraps below the last row: scroll
  screen.SetBackground(5);
  screen.Put("\n");  // scroll again
  EXPECT_EQ(RowText(screen, 1), "   ");
  EXPECT_EQ(RowText(screen, 2), "   ");
  EXPECT_EQ(screen.At(1, 2).attribute, 0x57);
  EXPECT_EQ(screen.cursorRow(), 2);
}

TEST(ScreenTest, WrapInLastColumnOfLastRowScrolls) {
  Screen screen(3, 2, 0x07);
  screen.MoveCursor(1, 2);
  screen.Put("xyz");
  EXPECT_EQ(RowText(screen, 1), "xyz");
  EXPECT_EQ(RowText(screen, 2), "   ");
  EXPECT_EQ(screen.cursorColumn(), 1);
  EXPECT_EQ(screen.cursorRow(), 2);
}

TEST(ScreenTest, ShorterTextKeepsTheTailOfLongerText) {
  Screen screen(10, 3, 0x07);
  screen.Put("abcdef");
  screen.MoveCursor(1, 1);
  screen.Put("XY");
  EXPECT_EQ(RowText(screen, 1), "XYcdef    ");
}

TEST(ScreenTest, ClearFillsInCurrentAttributeAndHomesCursor) {
  Screen screen(4, 2, 0x1F);
  screen.Put("abcde");
  screen.SetBackground(13);
  screen.SetForeground(0);
  screen.Clear();
  EXPECT_EQ(screen.cursorColumn(), 1);
  EXPECT_EQ(screen.cursorRow(), 1);
  for (int row = 1; row <= 2; ++row) {
    for (int column = 1; column <= 4; ++column) {
      EXPECT_EQ(screen.At(column, row).character, ' ');
      EXPECT_EQ(screen.At(column, row).attribute, 0x50);
    }
  }
}

TEST(ScreenTest, ColourBits) {
  struct Case {
    std::uint8_t start;
    bool foreground;
    std::uint8_t colour;
    std::uint8_t expected;
  } cases[] = {
      {0x07, false, 13, 0x57},  // background takes bits 0-2 only: 13 gives magenta
      {0x57, true, 0, 0x50},    // foreground keeps the background
      {0x50, false, 0, 0x00},    {0x00, true, 7, 0x07},
      {0x07, true, 0x8F, 0x8F},  // bit 7 travels with the foreground
      {0x8F, false, 0xFF, 0xFF}, {0xFF, true, 0x70, 0x70},
  };
  for (const Case& c : cases) {
    Screen screen(2, 2, c.start);
    if (c.foreground) {
      screen.SetForeground(c.colour);
    } else {
      screen.SetBackground(c.colour);
    }
    EXPECT_EQ(screen.attribute(), c.expected) << int(c.start) << " " << int(c.colour);
  }
}

TEST(ScreenTest, CursorMovesOffTheScreenAreIgnored) {
  struct Case {
    int column;
    int row;
    int expectedColumn;
    int expectedRow;
  } cases[] = {{1, 1, 1, 1}, {80, 25, 80, 25}, {0, 5, 3, 4},   {81, 5, 3, 4},
               {5, 0, 3, 4}, {5, 26, 3, 4},    {-1, -1, 3, 4}, {12, 15, 12, 15}};
  for (const Case& c : cases) {
    Screen screen(80, 25, 0x07);
    screen.MoveCursor(3, 4);
    screen.MoveCursor(c.column, c.row);
    EXPECT_EQ(screen.cursorColumn(), c.expectedColumn) << c.column << "," << c.row;
    EXPECT_EQ(screen.cursorRow(), c.expectedRow) << c.column << "," << c.row;
  }
}

TEST(TranscriptTest, TrimsTrailingBlanksAndBlankRowsBelow) {
  Screen screen(10, 5, 0x07);
  screen.Put("a  \r\n\r\n  b ");
  EXPECT_EQ(RenderTranscript(screen), "a\n\n  b\n");
}

TEST(TranscriptTest, BlankScreenWritesNothing) {
  Screen screen(10, 5, 0x07);
  EXPECT_EQ(RenderTranscript(screen), "");
}

}  // namespace
}  // namespace tunewerk
