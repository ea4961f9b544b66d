#include "cgi/html.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "cgi/headers.h"
#include "cgi/output.h"
#include "test_env.h"

namespace kiroq {
namespace {

// Program text joins on either side; a writable array (a buffer filled at
// run time) and a std::string never do, by any of the joins.
template <class L, class R>
concept Joins = requires(L l, R r) {
  l + r;
};
template <class R>
concept Appends = requires(Html h, R r) {
  h += r;
};
static_assert(Joins<Html, const char (&)[3]> && Joins<const char (&)[3], Html> && Joins<const char (&)[3], SjLiteral>);
static_assert(!Joins<Html, char (&)[3]> && !Joins<char (&)[3], Html> && !Appends<char (&)[3]>);
static_assert(!Joins<Html, std::string> && !Joins<std::string, Html> && !Appends<std::string>);
static_assert(!std::is_constructible_v<Html, char (&)[3]> && !std::is_constructible_v<Html, std::string>);
static_assert(!std::is_constructible_v<SjLiteral, char (&)[3]> &&
              std::is_constructible_v<SjLiteral, const char (&)[3]>);

// Escaping goes a block of bytes at a time: over random texts of every length
// and starting offset, with the five bytes anywhere (also right after a
// Shift-JIS lead byte) and every other byte value, it equals the entities
// put in one byte at a time.
TEST(Escapers, TextEqualsByteByByteEntities) {
  std::mt19937 rng(5);
  const std::string special = "&<>\"'";
  for (int round = 0; round < 3000; ++round) {
    std::string text(rng() % 80, ' ');
    for (char& c : text) {
      c = rng() % 4 == 0 ? special[rng() % special.size()] : static_cast<char>(rng() % 256);
    }
    const std::size_t from = rng() % (text.size() + 1);
    const std::string_view piece = std::string_view(text).substr(from);
    std::string want;
    for (char c : piece) {
      switch (c) {
        case '&':
          want += "&amp;";
          break;
        case '<':
          want += "&lt;";
          break;
        case '>':
          want += "&gt;";
          break;
        case '"':
          want += "&quot;";
          break;
        case '\'':
          want += "&#39;";
          break;
        default:
          want += c;
      }
    }
    ASSERT_EQ(EscapeText(piece).bytes(), want);
  }
}

TEST(Escapers, Table) {
  struct Case {
    Html got;
    const char* want;
  } cases[] = {
      {EscapeText("<b a='1'>&\"</b>"), "&lt;b a=&#39;1&#39;&gt;&amp;&quot;&lt;/b&gt;"},
      {EscapeAttribute("x\" onmouseover=\"y"), "x&quot; onmouseover=&quot;y"},
      {UrlArgument("cafe_2-b.~"), "cafe_2-b.~"},
      {UrlArgument("a b+c/\x83\x5C"), "a%20b%2Bc%2F%83%5C"},
      {LinkAddress("example.com/?a=1&b=2"), "http://example.com/?a=1&amp;b=2"},
      {LinkAddress("HTTPS://x/\"y"), "HTTPS://x/&quot;y"},
      {LinkAddress("javascript:alert(1)"), "http://javascript:alert(1)"},
      {LinkAddress("http:/x"), "http://http:/x"},
      {LinkAddresses(EscapeText("see www.a.jp <x>")),
       "see <A HREF=\"http://www.a.jp\" TARGET=\"_blink\">www.a.jp</A> &lt;x&gt;"},
      {Html::Number(-42) + "/" + Html::Trusted("#FF0000") + "題"_sj, "-42/#FF0000\x91\xE8"},
      {"<" + Html::Number(9223372036854775807) + ">" + "題"_sj + "" + Html(), "<9223372036854775807>\x91\xE8"},
      {Html::Number(-9223372036854775807 - 1) + " " + Html::Number(0), "-9223372036854775808 0"},
      // The feed's text: UTF-8, XML entities, no control characters XML
      // refuses, U+FFFD for bytes without a character.
      {XmlText("<a b='1'>&\"</a>"), "&lt;a b=&apos;1&apos;&gt;&amp;&quot;&lt;/a&gt;"},
      {XmlText("\x01x\ty\r\nz\x1B\x7F"), "x\ty\r\nz\x7F"},
      {XmlText(std::string("題"_sj.view()) + "\xB1"), "\xE9\xA1\x8C\xEF\xBD\xB1"},
      {XmlText(std::string_view("a\x81\x00"
                                "b\xFF",
                                5)),
       "a\xEF\xBF\xBD"
       "b\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got.bytes(), c.want);
}

// Only absolute web addresses that do not call the program itself become a
// picture, whatever the program is called.
TEST(PictureAddresses, Table) {
  const struct {
    const char* address;
    const char* script_name;
    const char* want;  // the IMG SRC value; "" when left out
  } kCases[] = {
      {"http://example.org/p.png", "/cgi-bin/kiroq.exe", "http://example.org/p.png"},
      {"HTTPS://example.org/a\"b.gif", "/cgi-bin/kiroq.exe", "HTTPS://example.org/a&quot;b.gif"},
      {"http://example.org/kiroq.exe.png", "/cgi-bin/kiroq.exe", "http://example.org/kiroq.exe.png"},
      {"http://example.org/bbs.cgi.png?x", "/bbs.cgi", "http://example.org/bbs.cgi.png?x"},
      {"javascript:alert(1)", "", ""},
      {"JavaScript:alert(1)", "", ""},
      {" http://example.org/p.png", "", ""},
      {"data:image/svg+xml,<svg onload=alert(1)>", "", ""},
      {"//example.org/p.png", "", ""},
      {"p.png", "", ""},
      {"kiroq.exe?test+10+1+8", "/cgi-bin/kiroq.exe", ""},
      {"", "", ""},
      {"http://bbs.example.jp/cgi-bin/kiroq.exe?test+10+1+8", "/cgi-bin/kiroq.exe", ""},
      {"http://bbs.example.jp/cgi-bin/KIROQ.EXE?test+10+1+8", "", ""},
      {"http://bbs.example.jp/cgi-bin/kiroq.exe", "", ""},
      {"http://bbs.example.jp/cgi-bin/kiroq.exe/x.png", "", ""},
      {"http://bbs.example.jp/cgi-bin/kiroq%2Eexe%3Ftest+10+1+8", "", ""},
      {"http://bbs.example.jp/cgi-bin/kiro\tq.exe?test+10+1+8", "", ""},
      {"http://bbs.example.jp/cgi-bin/kiro\r\nq.exe#x", "", ""},
      {"http://bbs.example.jp/bbs.cgi?test+10+1+8", "/bbs.cgi", ""},
      {"http://bbs.example.jp/BBS.CGI", "/cgi/bbs.cgi", ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(PictureSource(c.address, c.script_name).bytes(), c.want) << c.address;
    EXPECT_EQ(IsPictureAddress(c.address, c.script_name), *c.want != 0) << c.address;
  }
}

TEST(OutputGuards, FileBytesOnlyAfterADownloadHeader) {
  FakeEnv env;
  {
    Output out(&env);
    EXPECT_THROW(out.FileBytes("<script>"), std::logic_error);
    WritePageHeader(&out);
    EXPECT_TRUE(out.header_written());
    EXPECT_THROW(out.FileBytes("<script>"), std::logic_error);
  }
  {
    Output out(&env);
    EXPECT_FALSE(out.header_written());
    WriteDownloadHeader(&out, "a.bin");
    out.FileBytes(std::string("\0<>", 3));
  }
  EXPECT_EQ(env.stdout_data.substr(env.stdout_data.size() - 7), std::string("\r\n\r\n\0<>", 7));
}

}  // namespace
}  // namespace kiroq
