#include "platform/console_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/param_name.h"

namespace tunewerk {
namespace {

struct Key {
  std::uint8_t character;
  int repeat;
};

struct KeysCase {
  const char* name;
  std::vector<Key> keys;
  // What is read, with '$' for the end of input.
  const char* read;
};

const KeysCase kKeysCases[] = {
    {"enter gives lf", {{'y', 1}, {'\r', 1}}, "y\n"},
    {"a held key repeats", {{'y', 3}, {'\r', 0}}, "yyy\n"},
    {"keys without a character give nothing", {{0, 1}, {'n', 1}, {0, 2}}, "n"},
    {"ctrl z alone waits for enter", {{0x1A, 1}}, ""},
    {"ctrl z then enter ends the input", {{0x1A, 1}, {'\r', 1}}, "$"},
    {"keys between ctrl z and enter are dropped", {{'y', 1}, {0x1A, 1}, {'n', 2}, {'\r', 1}}, "y$"},
    {"typing goes on after the end", {{0x1A, 1}, {'\r', 1}, {'y', 1}, {'\r', 1}}, "$y\n"},
};

class ConsoleKeysTest : public testing::TestWithParam<KeysCase> {};

TEST_P(ConsoleKeysTest, TurnsPressesIntoTypedBytes) {
  ConsoleKeys keys;
  std::string read;
  for (const Key& key : GetParam().keys) {
    keys.Press(key.character, key.repeat);
    int byte;
    while ((byte = keys.Next()) != ConsoleKeys::kNeedKey) {
      read.push_back(byte == Terminal::kEndOfInput ? '$' : static_cast<char>(byte));
    }
  }
  EXPECT_EQ(read, GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(Presses, ConsoleKeysTest, testing::ValuesIn(kKeysCases), NameField());

}  // namespace
}  // namespace tunewerk
