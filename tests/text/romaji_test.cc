#include <gtest/gtest.h>

#include <string>

#include "text/convert.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

TEST(RomajiToHiragana, LongerKeysWinOverShorterOnes) {
  // "kyo" must beat "ky"+"o"; the page carries CP932 bytes.
  EXPECT_EQ(RomajiToHiragana("kyoutoha"), "\x82\xAB\x82\xE5\x82\xA4\x82\xC6\x82\xCD");
  EXPECT_EQ(RomajiToHiragana("kyoutoha"), "きょうとは"_sj);
  EXPECT_EQ(RomajiToHiragana("konnichiha"), "こんにちは"_sj);
  EXPECT_EQ(RomajiToHiragana("ssya"), "っしゃ"_sj);
  EXPECT_EQ(RomajiToHiragana("sya"), "しゃ"_sj);
  EXPECT_EQ(RomajiToHiragana("kitte"), "きって"_sj);
  EXPECT_EQ(RomajiToHiragana("tsukue"), "つくえ"_sj);
  EXPECT_EQ(RomajiToHiragana("fairu"), "ふぁいる"_sj);
}

TEST(RomajiToHiragana, NasalN) {
  EXPECT_EQ(RomajiToHiragana("nna"), "んな"_sj);
  EXPECT_EQ(RomajiToHiragana("nn"), "ん"_sj);
  EXPECT_EQ(RomajiToHiragana("n"), "ん"_sj);
  EXPECT_EQ(RomajiToHiragana("hon"), "ほん"_sj);
}

TEST(RomajiToHiragana, OnlyLowerCaseRomajiChanges) {
  EXPECT_EQ(RomajiToHiragana("Tokyo"), "Tおきょ"_sj);
  EXPECT_EQ(RomajiToHiragana("KA 12 <B>"), "KA 12 <B>");
  // Letters no key starts with, and leftovers, stay.
  EXPECT_EQ(RomajiToHiragana("qvx"), "qvx");
  EXPECT_EQ(RomajiToHiragana("sshi"), "sし"_sj);
  EXPECT_EQ(RomajiToHiragana(""), "");
}

TEST(RomajiToHiragana, DoubleByteCharactersPassWhole) {
  EXPECT_EQ(RomajiToHiragana("漢字ka"_sj), "漢字か"_sj);
  // The second byte of Ｌ (82 6B) is "k": it must not pair with the "a".
  ASSERT_EQ("Ｌ"_sj, "\x82k");
  EXPECT_EQ(RomajiToHiragana("Ｌa"_sj), "Ｌあ"_sj);
  // Half-width katakana are single bytes and stay.
  EXPECT_EQ(RomajiToHiragana("ｱa"_sj), "ｱあ"_sj);
  // A lead byte cut off at the end is kept as it is.
  EXPECT_EQ(RomajiToHiragana("a\x82"), std::string("あ"_sj) + "\x82");
}

}  // namespace
}  // namespace kiroq
