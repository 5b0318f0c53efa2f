#include "app/escaped_text.h"

#include <cstdint>

namespace tunewerk {

namespace {

// Length of the well-formed UTF-8 sequence of a printable letter (U+00A0 and
// above) at the start of `text`, or 0.
std::size_t Utf8LetterLength(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  std::uint8_t lead = byte(0);
  std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() < length) return 0;
  std::uint32_t code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  constexpr std::uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kShortest[length] || code > 0x10FFFF) return 0;
  if (code < 0xA0 || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

std::string Escape(std::string_view text, bool doubleBackslash) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  while (!text.empty()) {
    auto byte = static_cast<std::uint8_t>(text[0]);
    std::size_t take = 1;
    if (byte == '\\' && doubleBackslash) {
      shown += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      shown.push_back(static_cast<char>(byte));
    } else if ((take = Utf8LetterLength(text)) > 0) {
      shown.append(text.substr(0, take));
    } else {
      take = 1;
      shown += "\\x";
      shown.push_back(kHex[byte >> 4]);
      shown.push_back(kHex[byte & 0xF]);
    }
    text.remove_prefix(take);
  }
  return shown;
}

}  // namespace

std::string EscapeForMessage(std::string_view text) {
  return Escape(text, true);
}

std::string EscapeControls(std::string_view text) {
  return Escape(text, false);
}

std::string EscapeLines(std::string_view text) {
  std::string shown;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    shown += EscapeControls(line) + "\n";
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return shown;
}

}  // namespace tunewerk
