#include "text/sjis.h"

#include <gtest/gtest.h>

namespace kiroq {
namespace {

std::string Hex(std::string_view s) {
  std::string out;
  char buf[4];
  for (unsigned char c : s) {
    snprintf(buf, sizeof(buf), "%02X", c);
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

TEST(ShiftJisLiterals, JapaneseTextBecomesCp932Bytes) {
  EXPECT_EQ(Hex("発言はありません。"_sj), "94 AD 8C BE 82 CD 82 A0 82 E8 82 DC 82 B9 82 F1 81 42");
  // Characters whose second byte is a backslash stay two bytes.
  EXPECT_EQ(Hex("表示"_sj), "95 5C 8E A6");
  EXPECT_EQ(Hex("ソ"_sj), "83 5C");
  // Full-width forms and marks used on pages.
  EXPECT_EQ(Hex("　"_sj), "81 40");
  EXPECT_EQ(Hex("："_sj), "81 46");
  EXPECT_EQ(Hex("▼"_sj), "81 A5");
  EXPECT_EQ(Hex("ＢＢＳ"_sj), "82 61 82 61 82 72");
  // Half-width katakana are single bytes.
  EXPECT_EQ(Hex("ｱ"_sj), "B1");
}

TEST(ShiftJisLiterals, AsciiPassesUnchanged) {
  EXPECT_EQ("<A HREF=\"x\">\\</A>"_sj, "<A HREF=\"x\">\\</A>");
  EXPECT_EQ(""_sj, "");
}

TEST(ShiftJisLeadBytes, CoverBothLeadRanges) {
  EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(0x80)));
  EXPECT_TRUE(IsLeadByte(static_cast<unsigned char>(0x81)));
  EXPECT_TRUE(IsLeadByte(static_cast<unsigned char>(0x9F)));
  EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(0xA0)));
  EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(0xDF)));  // half-width katakana
  EXPECT_TRUE(IsLeadByte(static_cast<unsigned char>(0xE0)));
  EXPECT_TRUE(IsLeadByte(static_cast<unsigned char>(0xFC)));
  EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(0xFD)));
  EXPECT_FALSE(IsLeadByte('A'));
}

}  // namespace
}  // namespace kiroq
