#ifndef TUNEWERK_MODEL_BOUNDED_STRING_H_
#define TUNEWERK_MODEL_BOUNDED_STRING_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tunewerk {

// A byte string of at most N bytes held in place. Storing a longer value
// keeps its first N bytes. Bytes are never converted between code pages.
template <std::size_t N>
struct BoundedString {
  static_assert(N <= 255, "length is held in one byte");
  std::uint8_t length = 0;
  char bytes[N] = {};

  void Assign(std::string_view text) {
    length = static_cast<std::uint8_t>(text.size() < N ? text.size() : N);
    if (length > 0) std::memcpy(bytes, text.data(), length);
  }
  // Appends what still fits; the rest is cut.
  void Append(std::string_view text) {
    std::size_t room = N - length;
    std::size_t n = text.size() < room ? text.size() : room;
    if (n > 0) std::memcpy(bytes + length, text.data(), n);
    length = static_cast<std::uint8_t>(length + n);
  }
  void Clear() { length = 0; }
  std::string_view view() const { return std::string_view(bytes, length); }
};

// Exact equality: same length, same bytes.
template <std::size_t N, std::size_t M>
bool operator==(const BoundedString<N>& a, const BoundedString<M>& b) {
  return a.view() == b.view();
}

// Ordering comparison: the first differing byte decides as an unsigned value;
// a string that is a prefix of another comes first. Returns <0, 0 or >0.
inline int CompareBytes(std::string_view a, std::string_view b) {
  std::size_t common = a.size() < b.size() ? a.size() : b.size();
  int c = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);  // memcmp is unsigned
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace tunewerk

#endif  // TUNEWERK_MODEL_BOUNDED_STRING_H_
