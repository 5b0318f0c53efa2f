#include "platform/cp437.h"

#include <gtest/gtest.h>

#include <string>

namespace tunewerk {
namespace {

TEST(Cp437Test, EachByteShowsItsGlyphInUtf8) {
  struct Case {
    int byte;
    const char* utf8;
  } cases[] = {
      {0, " "},               // shown as a blank
      {1, "\xe2\x98\xba"},    // U+263A
      {9, "\xe2\x97\x8b"},    // the tab as its picture
      {10, "\xe2\x97\x99"},   // U+25D9
      {27, "\xe2\x86\x90"},   // ESC as an arrow, never an escape
      {26, "\xe2\x86\x92"},   // U+2192
      {31, "\xe2\x96\xbc"},   // last of the pictures
      {32, " "},              //
      {65, "A"},              //
      {126, "~"},             //
      {127, "\xe2\x8c\x82"},  // U+2302
      {128, "\xc3\x87"},      // U+00C7
      {129, "\xc3\xbc"},      // U+00FC: the two-byte shifts
      {155, "\xc2\xa2"},      // 0x9B, a C1 CSI elsewhere
      {176, "\xe2\x96\x91"},  // U+2591
      {241, "\xc2\xb1"},      // U+00B1
      {254, "\xe2\x96\xa0"},  // U+25A0
      {255, "\xc2\xa0"},      // U+00A0
  };
  for (const Case& c : cases) {
    std::string out = "<";
    AppendCp437Glyph(static_cast<std::uint8_t>(c.byte), &out);
    EXPECT_EQ(out, std::string("<") + c.utf8) << "byte " << c.byte;
  }
}

// No byte may reach a terminal as a C0 or C1 control character.
TEST(Cp437Test, NoByteGivesAControlCharacter) {
  for (int byte = 0; byte < 256; ++byte) {
    std::string out;
    AppendCp437Glyph(static_cast<std::uint8_t>(byte), &out);
    ASSERT_FALSE(out.empty()) << byte;
    auto lead = static_cast<unsigned char>(out[0]);
    EXPECT_TRUE(lead >= 0x20 && lead != 0x7F && (lead < 0x80 || lead >= 0xC2)) << byte;
    if (lead == 0xC2) {
      EXPECT_GE(static_cast<unsigned char>(out[1]), 0xA0) << byte;  // not C1
    }
  }
}

}  // namespace
}  // namespace tunewerk
