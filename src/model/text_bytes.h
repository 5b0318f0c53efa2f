#ifndef TUNEWERK_MODEL_TEXT_BYTES_H_
#define TUNEWERK_MODEL_TEXT_BYTES_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tunewerk {

// Bytes with a meaning in the program's text: every line it writes ends with
// CR LF, records of the channel list end with CR, settings lines with LF.
constexpr std::uint8_t kTab = 9;
constexpr std::uint8_t kLineFeed = 10;
constexpr std::uint8_t kCarriageReturn = 13;
constexpr std::uint8_t kBlank = 32;
constexpr std::string_view kLineEnd = "\r\n";

// Every byte that moves the screen's cursor, and the CR and LF that end
// records, are below this one; scans look for them a block at a time.
constexpr std::uint8_t kAboveControlBytes = 14;
constexpr std::size_t kScanBlock = 16;

// Index of the first of kScanBlock bytes that is below 14, or kScanBlock when
// there is none. Flags first, then one test of them all, so that the compiler
// checks the block with a few vector instructions instead of a branch a byte.
inline std::size_t FirstControlByteInBlock(const std::uint8_t* bytes) {
  std::uint8_t low[kScanBlock];
  for (std::size_t i = 0; i < kScanBlock; ++i) low[i] = bytes[i] < kAboveControlBytes;
  std::uint64_t words[2];
  std::memcpy(words, low, kScanBlock);
  for (std::size_t w = 0; w < 2; ++w) {
    if (words[w] == 0) continue;
    // The flag of the lowest address is the low byte of a little-endian word.
    int before = std::endian::native == std::endian::little ? std::countr_zero(words[w])
                                                            : std::countl_zero(words[w]);
    return w * 8 + static_cast<std::size_t>(before) / 8;
  }
  return kScanBlock;
}

// A number as messages show it: 475029 as "475,029".
inline std::string GroupedNumber(std::uint64_t value) {
  std::string digits = std::to_string(value);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

// A size as messages show it: "1 byte", "27,012 bytes".
inline std::string ByteCount(std::uint64_t value) {
  return GroupedNumber(value) + (value == 1 ? " byte" : " bytes");
}

}  // namespace tunewerk

#endif  // TUNEWERK_MODEL_TEXT_BYTES_H_
