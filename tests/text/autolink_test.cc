#include <gtest/gtest.h>

#include <string>

#include "text/convert.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

TEST(AutoLinkAddresses, WwwGetsHttpInTargetOnlyAndKeepsPunctuation) {
  EXPECT_EQ(AutoLinkAddresses("see WWW.Example.com, please"),
            "see <A HREF=\"http://WWW.Example.com,\" TARGET=\"_blink\">WWW.Example.com,</A> please");
}

TEST(AutoLinkAddresses, HttpInAnyCaseIsCopiedUnchanged) {
  EXPECT_EQ(AutoLinkAddresses("Http://X.jp/a?b=1&amp;c=2"),
            "<A HREF=\"Http://X.jp/a?b=1&amp;c=2\" TARGET=\"_blink\">Http://X.jp/a?b=1&amp;c=2</A>");
}

TEST(AutoLinkAddresses, TwoAddressesOnOneLineTheSecondAtTheEnd) {
  EXPECT_EQ(AutoLinkAddresses("http://a.jp/ and www.b.jp"),
            "<A HREF=\"http://a.jp/\" TARGET=\"_blink\">http://a.jp/</A> and "
            "<A HREF=\"http://www.b.jp\" TARGET=\"_blink\">www.b.jp</A>");
}

TEST(AutoLinkAddresses, ExistingLinksAreLeftAlone) {
  const std::string linked = "<A HREF=\"http://a.jp/\">www.a.jp</A>";
  EXPECT_EQ(AutoLinkAddresses(linked), linked);
  // Lower-case tags count too, and linking resumes after the element ends.
  EXPECT_EQ(AutoLinkAddresses("<a href=\"http://a.jp/\">a</a> http://b.jp"),
            "<a href=\"http://a.jp/\">a</a> <A HREF=\"http://b.jp\" TARGET=\"_blink\">http://b.jp</A>");
}

TEST(AutoLinkAddresses, JapaneseCharacterEndsTheAddress) {
  EXPECT_EQ(AutoLinkAddresses("http://a.jp/です"_sj),
            "<A HREF=\"http://a.jp/\" TARGET=\"_blink\">http://a.jp/</A>です"_sj);
  EXPECT_EQ(AutoLinkAddresses("→www.a.jp"_sj), "→<A HREF=\"http://www.a.jp\" TARGET=\"_blink\">www.a.jp</A>"_sj);
}

TEST(AutoLinkAddresses, NeverStartsInsideADoubleByteCharacter) {
  // The second byte of ？ (81 48) is "H": "？ttp://" is no address.
  ASSERT_EQ("？"_sj, "\x81H");
  const std::string text(std::string("？"_sj) + "ttp://a.jp");
  EXPECT_EQ(AutoLinkAddresses(text), text);
}

TEST(AutoLinkAddresses, TextWithoutAddressesIsUnchanged) {
  EXPECT_EQ(AutoLinkAddresses(""), "");
  EXPECT_EQ(AutoLinkAddresses("www ww.x htt ftp://x.jp"), "www ww.x htt ftp://x.jp");
}

TEST(CountWebAddresses, CountsWhatTheLinkerFindsThatIsAnAddress) {
  const struct {
    const char* text;
    int count;
    int with_markup;  // on a board that shows posts' markup
  } kCases[] = {
      {"", 0, 0},
      {"http://a.jp/ and www.b.jp", 2, 2},
      {"HTTPS://a.jp WWW.b.jp Http://c.jp", 3, 3},
      {"http://a.jp\r\nhttp://b.jp\nwww.c.jp", 3, 3},  // a line break ends an address
      {"http://a.jphttp://b.jp", 1, 1},                // the linker sees one
      {"the http protocol, www pages, htt://x", 0, 0},
      // Inside links too; an address runs to the next blank, as the linker's.
      {"<a href=\"http://a.jp\">a</a> <A HREF=http://b.jp>www.c.jp</A> www.d.jp", 3, 3},
      // Links a browser follows although the text holds no address.
      {"<a href=\"&#104;ttp://a.jp\">1</a> <a href='//b.jp'>2</a> <img src=\"HTTP&#58;//c.jp/x.png\">", 0, 3},
      {"<A HREF= \"www.a.jp\">x</A>", 1, 1},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(CountWebAddresses(c.text), c.count) << c.text;
    EXPECT_EQ(CountWebAddresses(c.text, true), c.with_markup) << c.text;
  }
  EXPECT_EQ(CountWebAddresses("→http://a.jp/です、www.b.jp"_sj), 2);
}

}  // namespace
}  // namespace kiroq
