#ifndef TUNEWERK_TESTS_SUPPORT_PARAM_NAME_H_
#define TUNEWERK_TESTS_SUPPORT_PARAM_NAME_H_

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

namespace tunewerk {

// A case's text as a test name gtest accepts and a reader can follow:
// "word high byte first" -> "word_high_byte_first", " -$1F" -> "_MinusHex1F".
inline std::string ParamName(std::string_view text) {
  std::string name;
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte)) {
      name.push_back(c);
    } else if (c == ' ' || c == '\'') {
      name.push_back('_');
    } else if (c != ',' && c != ':') {
      char spelled[8];
      std::snprintf(spelled, sizeof spelled, "x%02X", byte);
      name += c == '$'    ? "Hex"
              : c == '%'  ? "Bin"
              : c == '+'  ? "Plus"
              : c == '-'  ? "Minus"
              : c == '\t' ? "Tab"
              : c == '\r' ? "CR"
              : c == '\n' ? "LF"
              : c == '\b' ? "BS"
                          : spelled;
    }
  }
  return name.empty() ? "Empty" : name;
}

// Names each case of a suite from its `name` field.
struct NameField {
  template <typename Case>
  std::string operator()(const testing::TestParamInfo<Case>& info) const {
    return ParamName(info.param.name);
  }
};

}  // namespace tunewerk

#endif  // TUNEWERK_TESTS_SUPPORT_PARAM_NAME_H_
