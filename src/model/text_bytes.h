#ifndef TUNEWERK_MODEL_TEXT_BYTES_H_
#define TUNEWERK_MODEL_TEXT_BYTES_H_

#include <cstdint>
#include <string_view>

namespace tunewerk {

// Bytes with a meaning in the program's text: every line it writes ends with
// CR LF, records of the channel list end with CR, settings lines with LF.
constexpr std::uint8_t kTab = 9;
constexpr std::uint8_t kLineFeed = 10;
constexpr std::uint8_t kCarriageReturn = 13;
constexpr std::uint8_t kBlank = 32;
constexpr std::string_view kLineEnd = "\r\n";

}  // namespace tunewerk

#endif  // TUNEWERK_MODEL_TEXT_BYTES_H_
