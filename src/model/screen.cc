#include "model/screen.h"

#include <algorithm>
#include <cstring>

#include "model/text_bytes.h"

namespace tunewerk {

namespace {
constexpr std::uint8_t kBell = 7;
constexpr std::uint8_t kBackspace = 8;
constexpr std::size_t kBlock = kScanBlock;

// Bytes that act on the cursor instead of filling a cell.
bool MovesCursor(std::uint8_t byte) {
  return byte == kCarriageReturn || byte == kLineFeed || byte == kBell || byte == kBackspace;
}

// Whether none of 2 * kBlock bytes is below 14; the common case, tested in
// one go.
bool PairIsClean(const std::uint8_t* bytes) {
  std::uint8_t low[2 * kBlock];
  for (std::size_t i = 0; i < 2 * kBlock; ++i) low[i] = bytes[i] < kAboveControlBytes;
  std::uint64_t words[4];
  std::memcpy(words, low, sizeof words);
  return (words[0] | words[1] | words[2] | words[3]) == 0;
}

// How many of the first `limit` bytes fill cells before one moves the cursor.
// Blocks without a byte below 14 are passed whole, the last one overlapping
// bytes already passed; this scan is the echo's share of a long import.
std::size_t CellRun(const std::uint8_t* bytes, std::size_t limit) {
  std::size_t run = 0;
  while (run + 2 * kBlock <= limit && PairIsClean(bytes + run)) run += 2 * kBlock;
  while (run + kBlock <= limit) {
    std::size_t low = FirstControlByteInBlock(bytes + run);
    if (low == kBlock) {
      run += kBlock;
      continue;
    }
    run += low;
    if (MovesCursor(bytes[run])) return run;
    ++run;  // a tab or another low byte that fills a cell
  }
  if (run < limit && limit >= kBlock) {
    std::size_t start = limit - kBlock;
    std::size_t low = FirstControlByteInBlock(bytes + start);
    if (low == kBlock) return limit;
    if (MovesCursor(bytes[start + low])) return start + low;  // bytes before run fill cells
  }
  while (run < limit && !MovesCursor(bytes[run])) ++run;
  return run;
}

// Whether none of `count` bytes is below 14, so that all of them fill cells.
// The lowest byte of the whole blocks and of a last block that overlaps
// them: vector minimums and no branch until the end, as a clean record is
// the common case. REQUIRES: count >= kBlock.
bool AllFillCells(const std::uint8_t* bytes, std::size_t count) {
  std::uint8_t low = 0xff;
  std::size_t whole = count / kBlock * kBlock;
  for (std::size_t i = 0; i < whole; ++i) low = std::min(low, bytes[i]);
  const std::uint8_t* last = bytes + count - kBlock;
  for (std::size_t i = 0; i < kBlock; ++i) low = std::min(low, last[i]);
  return low >= kAboveControlBytes;
}

}  // namespace

Screen::Screen(int width, int height, std::uint8_t attribute)
    : width_(std::clamp(width, 1, kLargestScreenSide)),
      height_(std::clamp(height, 1, kLargestScreenSide)),
      attribute_(attribute),
      characters_(static_cast<std::size_t>(width_) * height_, ' '),
      attributes_(characters_.size(), attribute) {}

Cell Screen::At(int column, int row) const {
  std::size_t offset = RowOffset(row) + static_cast<std::size_t>(column - 1);
  return Cell{characters_[offset], attributes_[offset]};
}

std::size_t Screen::RowOffset(int row) const {
  // top_ and row - 1 are both below height_: one subtraction wraps the ring.
  int index = top_ + row - 1;
  if (index >= height_) index -= height_;
  return static_cast<std::size_t>(index) * width_;
}

void Screen::Clear() {
  std::fill(characters_.begin(), characters_.end(), ' ');
  std::fill(attributes_.begin(), attributes_.end(), attribute_);
  column_ = 1;
  row_ = 1;
  ++changes_;
}

void Screen::SetForeground(std::uint8_t colour) {
  attribute_ = static_cast<std::uint8_t>((attribute_ & 0x70) | (colour & 0x8F));
}

void Screen::SetBackground(std::uint8_t colour) {
  attribute_ = static_cast<std::uint8_t>((attribute_ & 0x8F) | ((colour & 0x07) << 4));
}

void Screen::MoveCursor(int column, int row) {
  if (column < 1 || column > width_ || row < 1 || row > height_) return;
  column_ = column;
  row_ = row;
}

void Screen::Put(std::string_view bytes) {
  const auto* next = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto* end = next + bytes.size();
  if (PutListLine(next, bytes.size())) return;
  while (next != end) {
    std::size_t run = CellRun(next, static_cast<std::size_t>(end - next));
    PutCells(next, run);
    next += run;
    if (next != end) MoveForControlByte(*next++);
  }
}

// The echo of a list record: LF, at least kBlock cell bytes, then the CR, or
// none where a long line was cut. Those bytes are copied into the rows they
// cover without a look at each piece.
bool Screen::PutListLine(const std::uint8_t* bytes, std::size_t size) {
  if (size < kBlock + 2 || bytes[0] != kLineFeed) return false;
  // Without a branch on it: lists that mix cut and whole lines are common.
  std::size_t returns = bytes[size - 1] == kCarriageReturn ? 1 : 0;
  std::size_t cells = size - 1 - returns;
  if (!AllFillCells(bytes + 1, cells)) return false;
  LineFeed();
  PutCells(bytes + 1, cells);
  column_ -= static_cast<int>(returns) * (column_ - 1);  // column 1 after a CR
  return true;
}

void Screen::PutCells(const std::uint8_t* bytes, std::size_t count) {
  // Rows that follow one another in the ring and need no scroll, even for the
  // wrap after a last column, take the bytes in one copy. One division gives
  // both how far down the text ends and in which column.
  auto width = static_cast<std::size_t>(width_);
  std::size_t end = static_cast<std::size_t>(column_ - 1) + count;
  std::size_t rowsDown = end / width;
  std::size_t endColumn = end % width;
  // Rows below the cursor's that hold a byte: not the one a wrap moves to.
  std::size_t filledDown = rowsDown - (endColumn == 0 ? 1 : 0);
  int ring = top_ + row_ - 1;
  if (ring >= height_) ring -= height_;
  if (count > 0 && row_ + rowsDown <= static_cast<std::size_t>(height_) &&
      ring + filledDown < static_cast<std::size_t>(height_)) {
    std::size_t offset =
        static_cast<std::size_t>(ring) * width + static_cast<std::size_t>(column_ - 1);
    std::memcpy(&characters_[offset], bytes, count);
    std::memset(&attributes_[offset], attribute_, count);
    ++changes_;
    row_ += static_cast<int>(rowsDown);
    column_ = static_cast<int>(endColumn) + 1;
    return;
  }
  while (count > 0) {
    std::size_t room = std::min<std::size_t>(count, width_ - column_ + 1);
    FillCells(bytes, room);
    bytes += room;
    count -= room;
  }
}

void Screen::PutByte(std::uint8_t byte) {
  if (MovesCursor(byte)) {
    MoveForControlByte(byte);
  } else {
    FillCells(&byte, 1);
  }
}

void Screen::FillCells(const std::uint8_t* bytes, std::size_t count) {
  std::size_t offset = RowOffset(row_) + static_cast<std::size_t>(column_ - 1);
  std::memcpy(&characters_[offset], bytes, count);
  std::memset(&attributes_[offset], attribute_, count);
  ++changes_;
  column_ += static_cast<int>(count);
  // Wrap is immediate: the cursor never rests beyond the last column.
  if (column_ > width_) {
    column_ = 1;
    LineFeed();
  }
}

void Screen::MoveForControlByte(std::uint8_t byte) {
  switch (byte) {
    case kCarriageReturn:
      column_ = 1;
      return;
    case kLineFeed:
      LineFeed();
      return;
    case kBackspace:
      if (column_ > 1) --column_;
      return;
    default:  // the bell shows nothing
      return;
  }
}

int Screen::PlainLineRoom(int column, int row) const {
  if (column < 1 || column > width_ || row < 1 || row >= height_) return -1;
  // The cells must end before the rows below the LF's do; a wrap after the
  // last column of the last row would scroll too.
  return (height_ - row) * width_ - column;
}

int Screen::KnownPlainLineCells(int column, int row, std::string_view text) const {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  std::size_t size = text.size();
  int room = PlainLineRoom(column, row);
  if (size == 0 || bytes[0] != kLineFeed || room < 0) return -1;
  std::size_t returns = size > 1 && bytes[size - 1] == kCarriageReturn ? 1 : 0;
  std::size_t cells = size - 1 - returns;
  return cells <= static_cast<std::size_t>(room) ? static_cast<int>(cells) : -1;
}

int Screen::PlainLineCells(int column, int row, std::string_view text) const {
  int known = KnownPlainLineCells(column, row, text);
  if (known < 0) return -1;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  auto cells = static_cast<std::size_t>(known);
  if (text.size() >= kBlock + 2) return AllFillCells(bytes + 1, cells) ? known : -1;
  for (std::size_t i = 1; i <= cells; ++i) {
    if (bytes[i] < kAboveControlBytes) return -1;
  }
  return static_cast<int>(cells);
}

void Screen::NextLine() {
  column_ = 1;
  LineFeed();
}

void Screen::LineFeed() {
  if (row_ < height_) {
    ++row_;
  } else {
    ScrollUp();
  }
}

void Screen::ScrollUp() {
  top_ = (top_ + 1) % height_;
  std::size_t last = RowOffset(height_);
  std::memset(&characters_[last], ' ', static_cast<std::size_t>(width_));
  std::memset(&attributes_[last], attribute_, static_cast<std::size_t>(width_));
  ++changes_;
}

}  // namespace tunewerk
