#include "text/utf8.h"

#include <gtest/gtest.h>

#include "text/sjis.h"

namespace kiroq {
namespace {

// The decoder's table and the literal encoder's table come from the same
// codec by different walks; every character the encoder knows must come back.
TEST(Cp932ToUtf8, EveryEncodableCharacterRoundTrips) {
  std::size_t checked = 0;
  for (const auto& pair : sjis_internal::kTable) {
    std::string bytes;
    if (pair.cp932 > 0xFF) bytes += static_cast<char>(pair.cp932 >> 8);
    bytes += static_cast<char>(pair.cp932 & 0xFF);
    std::string want;
    AppendUtf8(pair.code_point, want);
    std::size_t replaced = 0;
    ASSERT_EQ(Cp932ToUtf8(bytes, &replaced), want) << std::hex << pair.cp932;
    ASSERT_EQ(replaced, 0u);
    ++checked;
  }
  EXPECT_GT(checked, 7000u);
}

TEST(Cp932ToUtf8, PagesTextDecodes) {
  EXPECT_EQ(Cp932ToUtf8("発言はありません。"_sj), "発言はありません。");
  EXPECT_EQ(Cp932ToUtf8("表示ソ ｱｲｳ ①Ⅰ"_sj), "表示ソ ｱｲｳ ①Ⅰ");
  EXPECT_EQ(Cp932ToUtf8("<a href=\"x\">\\~</a>"), "<a href=\"x\">\\~</a>");
}

TEST(Cp932ToUtf8, BytesWithoutCharacterAreReplacedAndCounted) {
  struct Row {
    std::string in;
    std::string out;
    std::size_t replaced;
  } rows[] = {
      {"\x80", "\uFFFD", 1},
      {"a\xA0z", "a\uFFFDz", 1},
      {"\xFD\xFE\xFF", "\uFFFD\uFFFD\uFFFD", 3},
      {"x\x82", "x\uFFFD", 1},      // lead byte at the end
      {"\x82<b>", "\uFFFD<b>", 1},  // lead byte before ASCII keeps the ASCII
      {"\x82\xFD"
       "a",
       "\uFFFD"
       "a",
       1},  // pair without character, one replacement
      {"\x85\x9F"
       "a",
       "\uFFFD"
       "a",
       1},                         // unassigned code
      {"\x85\x40", "\uFFFD@", 1},  // ... whose trail byte is ASCII
      {"\x82\xA0\x82", "あ\uFFFD", 1},
  };
  for (const Row& r : rows) {
    std::size_t replaced = 0;
    EXPECT_EQ(Cp932ToUtf8(r.in, &replaced), r.out) << r.in;
    EXPECT_EQ(replaced, r.replaced) << r.in;
  }
}

}  // namespace
}  // namespace kiroq
