#ifndef TUNEWERK_TESTS_SUPPORT_LIST_TEXT_H_
#define TUNEWERK_TESTS_SUPPORT_LIST_TEXT_H_

#include <cstddef>
#include <string>

namespace tunewerk {

// Every 97th byte that is no line end becomes one of the bytes below 14, in
// turn: lines of one length whose ends are where the last line's was, but
// with a byte that ends the record earlier or moves the cursor.
inline std::string WithControlBytes(std::string list) {
  const char controls[] = {'\r', '\n', '\b', '\a', '\t', '\0'};
  std::size_t next = 0;
  for (std::size_t at = 50; at < list.size(); at += 97) {
    if (list[at] != '\r' && list[at] != '\n') list[at] = controls[next++ % 6];
  }
  return list;
}

}  // namespace tunewerk

#endif  // TUNEWERK_TESTS_SUPPORT_LIST_TEXT_H_
