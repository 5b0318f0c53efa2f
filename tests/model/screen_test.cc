#include "model/screen.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/transcript.h"
#include "support/param_name.h"

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
  std::uint64_t before = screen.changes();
  screen.Put("\n");  // scroll again
  EXPECT_GT(screen.changes(), before) << "a scroll alone must be drawn";
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

struct ColourCase {
  const char* name;
  std::uint8_t start;
  bool foreground;
  std::uint8_t colour;
  std::uint8_t expected;
};

class ScreenColourTest : public testing::TestWithParam<ColourCase> {};

TEST_P(ScreenColourTest, ColourBits) {
  const ColourCase& c = GetParam();
  Screen screen(2, 2, c.start);
  if (c.foreground) {
    screen.SetForeground(c.colour);
  } else {
    screen.SetBackground(c.colour);
  }
  EXPECT_EQ(screen.attribute(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Colours, ScreenColourTest,
                         testing::Values(
                             // background takes bits 0-2 only: 13 gives magenta
                             ColourCase{"BackgroundTakesThreeBits", 0x07, false, 13, 0x57},
                             ColourCase{"ForegroundKeepsTheBackground", 0x57, true, 0, 0x50},
                             ColourCase{"BackgroundBlack", 0x50, false, 0, 0x00},
                             ColourCase{"ForegroundWhiteOnBlack", 0x00, true, 7, 0x07},
                             // bit 7 travels with the foreground
                             ColourCase{"ForegroundCarriesBitSeven", 0x07, true, 0x8F, 0x8F},
                             ColourCase{"BackgroundKeepsBitSeven", 0x8F, false, 0xFF, 0xFF},
                             ColourCase{"ForegroundClearsBitSeven", 0xFF, true, 0x70, 0x70}),
                         NameField());

struct CursorMoveCase {
  const char* name;
  int column;
  int row;
  int expectedColumn;
  int expectedRow;
};

class ScreenCursorMoveTest : public testing::TestWithParam<CursorMoveCase> {};

// The cursor starts at column 3, row 4 of an 80 x 25 screen.
TEST_P(ScreenCursorMoveTest, MovesOffTheScreenAreIgnored) {
  const CursorMoveCase& c = GetParam();
  Screen screen(80, 25, 0x07);
  screen.MoveCursor(3, 4);
  screen.MoveCursor(c.column, c.row);
  EXPECT_EQ(screen.cursorColumn(), c.expectedColumn);
  EXPECT_EQ(screen.cursorRow(), c.expectedRow);
}

INSTANTIATE_TEST_SUITE_P(Moves, ScreenCursorMoveTest,
                         testing::Values(CursorMoveCase{"TopLeft", 1, 1, 1, 1},
                                         CursorMoveCase{"BottomRight", 80, 25, 80, 25},
                                         CursorMoveCase{"ColumnZero", 0, 5, 3, 4},
                                         CursorMoveCase{"ColumnPastTheRight", 81, 5, 3, 4},
                                         CursorMoveCase{"RowZero", 5, 0, 3, 4},
                                         CursorMoveCase{"RowPastTheBottom", 5, 26, 3, 4},
                                         CursorMoveCase{"BothNegative", -1, -1, 3, 4},
                                         CursorMoveCase{"Inside", 12, 15, 12, 15}),
                         NameField());

// The cell rules byte by byte, with no shortcuts, to hold the screen's
// block scans and row copies against.
struct ReferenceScreen {
  int width;
  int height;
  int column = 1;
  int row = 1;
  std::vector<std::vector<Cell>> rows;

  ReferenceScreen(int w, int h) : width(w), height(h), rows(h, std::vector<Cell>(w)) {}

  void LineFeed(std::uint8_t attribute) {
    if (row < height) {
      ++row;
      return;
    }
    rows.erase(rows.begin());
    rows.emplace_back(width, Cell{' ', attribute});
  }
  void Put(std::string_view bytes, std::uint8_t attribute) {
    for (char c : bytes) {
      auto byte = static_cast<std::uint8_t>(c);
      if (byte == 13) {
        column = 1;
      } else if (byte == 10) {
        LineFeed(attribute);
      } else if (byte == 8) {
        if (column > 1) --column;
      } else if (byte != 7) {
        rows[row - 1][column - 1] = Cell{byte, attribute};
        if (++column > width) {
          column = 1;
          LineFeed(attribute);
        }
      }
    }
  }
};

void ExpectSameScreen(const Screen& screen, const ReferenceScreen& reference,
                      const std::string& what) {
  ASSERT_EQ(screen.cursorColumn(), reference.column) << what;
  ASSERT_EQ(screen.cursorRow(), reference.row) << what;
  for (int row = 1; row <= reference.height; ++row) {
    for (int column = 1; column <= reference.width; ++column) {
      Cell expected = reference.rows[row - 1][column - 1];
      ASSERT_EQ(screen.At(column, row).character, expected.character)
          << what << " at " << column << "," << row;
      ASSERT_EQ(screen.At(column, row).attribute, expected.attribute)
          << what << " at " << column << "," << row;
    }
  }
}

// A text of `length` letters after `prefix`, with `control` at each of `at`.
std::string TextWith(std::size_t length, std::uint8_t control, std::vector<std::size_t> at,
                     std::string prefix = "") {
  std::string text = prefix;
  for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>('a' + i % 26));
  for (std::size_t i : at) text[prefix.size() + i] = static_cast<char>(control);
  return text;
}

struct EchoCase {
  const char* name;
  std::string text;
};

class ScreenEchoTest : public testing::TestWithParam<EchoCase> {};

// Cursor bytes at the edges of the 16-byte blocks the scan takes, in the
// overlapping last block, and low bytes that fill cells next to them; on
// several widths and from several columns, twice so that rows scroll.
TEST_P(ScreenEchoTest, PutMatchesTheCellRulesByteByByte) {
  const EchoCase& c = GetParam();
  for (int width : {1, 3, 16, 17, 80}) {
    for (int startColumn : {1, std::min(2, width), width}) {
      Screen screen(width, 4, 0x07);
      ReferenceScreen reference(width, 4);
      screen.SetBackground(1);
      screen.MoveCursor(startColumn, 3);
      reference.column = startColumn;
      reference.row = 3;
      for (int round = 0; round < 2; ++round) {
        screen.Put(c.text);
        reference.Put(c.text, 0x17);
        ExpectSameScreen(screen, reference,
                         std::string(c.name) + " width " + std::to_string(width) + " from " +
                             std::to_string(startColumn) + " round " + std::to_string(round));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ScreenEchoTest,
    testing::Values(
        EchoCase{"Record", TextWith(127, 13, {126}, "\n")},
        // A long line's record, cut: no CR at its end.
        EchoCase{"CutRecord", TextWith(127, 0, {}, "\n")},
        EchoCase{"CutRecordEndingInBackspace", TextWith(127, 8, {126}, "\n")},
        EchoCase{"RecordWithTabs", TextWith(126, 9, {0, 15, 16, 110, 124}, "\n") + "\r"},
        EchoCase{"CarriageReturnAtBlockEnd", TextWith(33, 13, {15, 31})},
        EchoCase{"LineFeedAtBlockStart", TextWith(33, 10, {0, 16, 32})},
        EchoCase{"BackspaceInOverlappingBlock", TextWith(40, 8, {36, 39})},
        EchoCase{"BellInOverlappingBlock", TextWith(21, 7, {20})},
        EchoCase{"TabBeforeCursorByteInLastBlock", TextWith(20, 9, {2, 18}) + "\b"},
        EchoCase{"OnlyLowBytesThatFillCells", std::string("\0\t\x0b\x0c\x0e\x1a\x01\x02\x03"
                                                          "\x04\x05\x06\x0f\x10\x11\x12\x13",
                                                          17)},
        EchoCase{"ShorterThanABlock", "ab\rc\nd"},
        EchoCase{"ExactlyOneBlock", TextWith(16, 13, {})},
        EchoCase{"HighBytes", TextWith(48, 0xff, {3, 17, 47}) + "\x80\x8d\x8a"},
        EchoCase{"Empty", ""}),
    [](const testing::TestParamInfo<EchoCase>& p) { return p.param.name; });

TEST(ScreenEchoTest, SeededTextsMatchTheCellRules) {
  std::mt19937 random(13);
  const char alphabet[] =
      "\r\n\a\b\t\0\x1a"
      "abcdefgh";
  for (int trial = 0; trial < 300; ++trial) {
    std::string text(random() % 300, ' ');
    for (char& c : text) c = alphabet[random() % (sizeof alphabet - 1)];
    Screen screen(23, 5, 0x07);
    ReferenceScreen reference(23, 5);
    screen.Put(text);
    reference.Put(text, 0x07);
    ExpectSameScreen(screen, reference, "trial " + std::to_string(trial));
  }
}

struct RingCase {
  const char* name;
  int width;
  int height;
  int scrolls;  // line feeds past the last row before the text
  int column;
  int row;
  std::size_t length;
};

class ScreenRingTest : public testing::TestWithParam<RingCase> {};

// Rows are kept in a ring that turns on each scroll; text that runs over
// several rows is copied in one piece only where those rows follow one
// another in it and no scroll is due.
TEST_P(ScreenRingTest, TextOverSeveralRowsMatchesTheCellRules) {
  const RingCase& c = GetParam();
  Screen screen(c.width, c.height, 0x07);
  ReferenceScreen reference(c.width, c.height);
  std::string feeds(static_cast<std::size_t>(c.height - 1 + c.scrolls), '\n');
  screen.Put(feeds);
  reference.Put(feeds, 0x07);
  screen.MoveCursor(c.column, c.row);
  reference.column = c.column;
  reference.row = c.row;
  std::string text = TextWith(c.length, 0, {});
  screen.Put(text);
  reference.Put(text, 0x07);
  ExpectSameScreen(screen, reference, c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Rings, ScreenRingTest,
    testing::Values(RingCase{"IntoTheRowAtTheRingStart", 80, 4, 1, 1, 3, 150},
                    RingCase{"FromTheRowAtTheRingStart", 80, 4, 3, 5, 1, 200},
                    RingCase{"EndingOnTheLastColumnOfTheLastRow", 10, 4, 2, 1, 2, 30},
                    RingCase{"EndingOnTheLastColumnAboveTheLastRow", 10, 4, 2, 1, 2, 20},
                    RingCase{"PastTheLastRowAfterScrolls", 16, 5, 7, 3, 4, 40},
                    RingCase{"WholeScreenWithoutScrolls", 7, 3, 0, 1, 1, 20},
                    RingCase{"OneColumn", 1, 3, 1, 1, 1, 5}),
    [](const testing::TestParamInfo<RingCase>& p) { return p.param.name; });

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
