#include "model/screen.h"

#include <algorithm>
#include <cstring>

#include "model/text_bytes.h"

namespace tunewerk {

namespace {
constexpr std::uint8_t kBell = 7;
constexpr std::uint8_t kBackspace = 8;

// Bytes that act on the cursor instead of filling a cell.
bool MovesCursor(std::uint8_t byte) {
  return byte == kCarriageReturn || byte == kLineFeed || byte == kBell || byte == kBackspace;
}

// How many of the first `limit` bytes fill cells before one moves the cursor.
// Words of eight bytes none of which is below 14 are passed whole: every
// cursor byte is below 14. This scan is most of the time of a long import.
std::size_t CellRun(const std::uint8_t* bytes, std::size_t limit) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kHighBits = 0x8080808080808080;
  std::size_t run = 0;
  for (; run + 8 <= limit; run += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + run, 8);
    if ((word - 14 * kOnes) & ~word & kHighBits) break;  // some byte is below 14
  }
  while (run < limit && !MovesCursor(bytes[run])) ++run;
  return run;
}

}  // namespace

Screen::Screen(int width, int height, std::uint8_t attribute)
    : width_(std::clamp(width, 1, kLargestScreenSide)),
      height_(std::clamp(height, 1, kLargestScreenSide)),
      attribute_(attribute),
      cells_(static_cast<std::size_t>(width_) * height_, Cell{' ', attribute}) {}

const Cell& Screen::At(int column, int row) const {
  return const_cast<Screen*>(this)->RowCells(row)[column - 1];
}

Cell* Screen::RowCells(int row) {
  // top_ and row - 1 are both below height_: one subtraction wraps the ring.
  int index = top_ + row - 1;
  if (index >= height_) index -= height_;
  return &cells_[static_cast<std::size_t>(index) * width_];
}

void Screen::Clear() {
  std::fill(cells_.begin(), cells_.end(), Cell{' ', attribute_});
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
  while (next != end) {
    // A run of cell bytes within the cursor's row is copied in one go.
    std::size_t room = std::min<std::size_t>(end - next, width_ - column_ + 1);
    std::size_t run = CellRun(next, room);
    if (run == 0) {
      PutByte(*next++);
      continue;
    }
    // A local attribute: cell stores are byte stores that could alias the member.
    const std::uint8_t attribute = attribute_;
    Cell* cell = RowCells(row_) + (column_ - 1);
    for (std::size_t i = 0; i < run; ++i) cell[i] = Cell{next[i], attribute};
    ++changes_;
    next += run;
    column_ += static_cast<int>(run);
    if (column_ > width_) {
      column_ = 1;
      LineFeed();
    }
  }
}

void Screen::PutByte(std::uint8_t byte) {
  switch (byte) {
    case kCarriageReturn:
      column_ = 1;
      return;
    case kLineFeed:
      LineFeed();
      return;
    case kBell:
      return;
    case kBackspace:
      if (column_ > 1) --column_;
      return;
    default:
      break;
  }
  RowCells(row_)[column_ - 1] = Cell{byte, attribute_};
  ++changes_;
  // Wrap is immediate: the cursor never rests beyond the last column.
  if (++column_ > width_) {
    column_ = 1;
    LineFeed();
  }
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
  Cell* last = RowCells(height_);
  std::fill(last, last + width_, Cell{' ', attribute_});
  ++changes_;
}

}  // namespace tunewerk
