#ifndef TUNEWERK_MODEL_SCREEN_H_
#define TUNEWERK_MODEL_SCREEN_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tunewerk {

// Whatever a terminal says about its size, the screen stays at most this big.
constexpr int kLargestScreenSide = 1000;

struct Cell {
  std::uint8_t character = ' ';
  std::uint8_t attribute = 0x07;
};

// The console as a screen of cells (character and attribute), cursor and
// current attribute. Positions are 1-based. Platform-free: backends only
// render it. Characters and attributes are held in two planes, so that text
// is a copy of its bytes and its attribute one fill; rows are held in a ring
// so that a scroll costs one row.
class Screen {
 public:
  // Each side is clipped to 1 .. kLargestScreenSide.
  Screen(int width, int height, std::uint8_t attribute);

  int width() const { return width_; }
  int height() const { return height_; }
  int cursorColumn() const { return column_; }
  int cursorRow() const { return row_; }
  std::uint8_t attribute() const { return attribute_; }
  Cell At(int column, int row) const;
  // The `width()` characters and attributes of a row.
  const std::uint8_t* RowCharacters(int row) const { return &characters_[RowOffset(row)]; }
  const std::uint8_t* RowAttributes(int row) const { return &attributes_[RowOffset(row)]; }
  // Rows changed since the counter was last read, as a counter that grows.
  std::uint64_t changes() const { return changes_; }

  // Every cell blank in the current attribute; cursor to 1,1.
  void Clear();
  // Foreground takes bits 0-3 and 7 of the colour; background bits 0-2 into 4-6.
  void SetForeground(std::uint8_t colour);
  void SetBackground(std::uint8_t colour);
  // A position off the screen leaves the cursor where it is.
  void MoveCursor(int column, int row);
  // CR, LF, BEL and BS act on the cursor; every other byte fills a cell.
  void Put(std::string_view bytes);
  void PutByte(std::uint8_t byte);
  // Column 1 of the next row, scrolling below the last row.
  void NextLine();

  // For MoveCursor(column, row) followed by Put(text): how many cells the text
  // fills when it is a plain line there: an LF, then bytes from 14 up (each
  // fills a cell), at most a CR at the end, and no scroll on the way. Such a line is
  // hidden entirely by a later one at the same place with as many cells or
  // more. -1 for other text, and where the position is off the screen.
  int PlainLineCells(int column, int row, std::string_view text) const;
  // The same for text its caller has found plain already; only the position
  // and the room below it are checked, not the bytes between LF and CR.
  int KnownPlainLineCells(int column, int row, std::string_view text) const;
  // The most cells a plain line at that place may fill; -1 off the screen.
  int PlainLineRoom(int column, int row) const;

 private:
  std::size_t RowOffset(int row) const;
  // A list record's echo in one go; false, with nothing done, for other text.
  bool PutListLine(const std::uint8_t* bytes, std::size_t size);
  // Cell bytes from the cursor on, wrapping at the row ends.
  void PutCells(const std::uint8_t* bytes, std::size_t count);
  // Fills `count` cells from the cursor on; REQUIRES: they fit in its row.
  void FillCells(const std::uint8_t* bytes, std::size_t count);
  void MoveForControlByte(std::uint8_t byte);
  void LineFeed();
  void ScrollUp();

  int width_;
  int height_;
  int column_ = 1;
  int row_ = 1;
  std::uint8_t attribute_;
  int top_ = 0;  // ring index of row 1
  std::uint64_t changes_ = 0;
  std::vector<std::uint8_t> characters_;
  std::vector<std::uint8_t> attributes_;
};

}  // namespace tunewerk

#endif  // TUNEWERK_MODEL_SCREEN_H_
