#ifndef TUNEWERK_MODEL_TEXT_BYTES_H_
#define TUNEWERK_MODEL_TEXT_BYTES_H_

#include <cstdint>
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
