#include "text/convert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/sjis.h"

namespace kiroq {
namespace {

using Items = std::vector<std::string>;

TEST(CutToLength, ShorterTextsStayExactLengthGetsTheSuffix) {
  EXPECT_EQ(CutToLength("abcd", 5, "..."), "abcd");
  EXPECT_EQ(CutToLength("abcde", 5, "..."), "abcde...");
  EXPECT_EQ(CutToLength("abcdef", 5, "..."), "abcde...");
  EXPECT_EQ(CutToLength("日本"_sj, 4, "..."), "日本..."_sj);
}

TEST(CutToLength, NeverSplitsADoubleByteCharacter) {
  const std::string text("ab日cd"_sj);
  EXPECT_EQ(CutToLength(text, 3, "..."), "ab...");
  EXPECT_EQ(CutToLength(text, 4, "..."), "ab日..."_sj);
  // The cut is decided by walking characters: ｱ is one byte, 日 two.
  EXPECT_EQ(CutToLength("ｱ日本"_sj, 4, ""), "ｱ日"_sj);
}

TEST(RemoveLineBreaks, DropsEveryCrAndLf) {
  EXPECT_EQ(RemoveLineBreaks("a\r\nb\rc\nd\r\n"), "abcd");
  EXPECT_EQ(RemoveLineBreaks("表\r\n示"_sj), "表示"_sj);
}

TEST(SplitCommaText, CommasBlanksAndQuotes) {
  EXPECT_EQ(SplitCommaText("3, 5 \"a b\",,\"x\"\"y\" last,"), (Items{"3", "5", "a b", "", "x\"y", "last", ""}));
  EXPECT_EQ(SplitCommaText(",a"), (Items{"", "a"}));
  EXPECT_EQ(SplitCommaText("\"\""), (Items{""}));
  EXPECT_EQ(SplitCommaText("a\"b c"), (Items{"a\"b", "c"}));
  EXPECT_EQ(SplitCommaText("  \t "), Items{});
  EXPECT_EQ(SplitCommaText(""), Items{});
}

TEST(SplitCommaText, UnclosedQuoteRunsToTheEnd) { EXPECT_EQ(SplitCommaText("1,\"2, 3"), (Items{"1", "2, 3"})); }

TEST(ExpandNumberList, RangesAndSingleItems) {
  EXPECT_EQ(ExpandNumberList("3-5,9"), (Items{"3", "4", "5", "9"}));
  EXPECT_EQ(ExpandNumberList("2-2 \"6-7\""), (Items{"2", "6", "7"}));
  // Items without a dash are kept even when they are no number: the caller
  // reports them.
  EXPECT_EQ(ExpandNumberList("1,abc"), (Items{"1", "abc"}));
}

TEST(ExpandNumberList, BadRangesAddNothing) {
  EXPECT_EQ(ExpandNumberList("5-3"), Items{});
  EXPECT_EQ(ExpandNumberList("x-4,1"), Items{"1"});
  EXPECT_EQ(ExpandNumberList("4-x,4-,-4"), Items{});
  EXPECT_EQ(ExpandNumberList(""), Items{});
}

TEST(ExpandNumberList, HugeRangeIsBounded) {
  const Items numbers = ExpandNumberList("1-2147483647,5");
  ASSERT_EQ(numbers.size(), kMaxNumberListItems);
  EXPECT_EQ(numbers.front(), "1");
  EXPECT_EQ(numbers.back(), std::to_string(kMaxNumberListItems));
}

}  // namespace
}  // namespace kiroq
