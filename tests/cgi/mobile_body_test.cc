#include "cgi/mobile_body.h"

#include <gtest/gtest.h>

#include <string>

#include "cgi/form_input.h"
#include "test_env.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

// Hands out at most two bytes per read.
class TrickleEnv : public FakeEnv {
 public:
  std::size_t ReadStdin(char* buf, std::size_t n) override { return FakeEnv::ReadStdin(buf, n < 2 ? n : 2); }
};

FormInput ReadMobile(const std::string& body, std::string length = "") {
  TrickleEnv env;
  env.vars["CONTENT_LENGTH"] = length.empty() ? std::to_string(body.size()) : length;
  env.stdin_data = body;
  FormInput in;
  in.Read(&env, true);
  return in;
}

TEST(MobileDecoding, PercentPlusAndAmpersand) {
  const std::pair<std::string, std::string> cases[] = {
      {"a+b%41%4a%4A%0D%0A%2B", "a bAJJ\r\n+"},
      {"x%26y&z", "x\x01y&z"},  // only a plain "&" separates fields
      {"100%", "100%"},         // "%" without two hex digits stays
      {"%zz%4G%%41", "%zz%4G%A"},
      {"%e3%8", "\xe3%8"},
      {std::string("A=x\0B=y", 7), "A=x"},  // a zero byte ends the body
      {"A=%00B", std::string("A=\0B", 4)},  // an encoded zero is a value byte
  };
  for (const auto& [body, decoded] : cases) {
    std::string text = body;
    DecodeMobileBody(&text);
    EXPECT_EQ(text, decoded) << body;
  }
}

TEST(MobileFields, ValuesUpToThePlainAmpersand) {
  FormInput in = ReadMobile("NAME=Taro+Yamada&TITLE=Q%26A&CONTENT=line1%0D%0Aa%26b+c&COOKIE=on");
  EXPECT_TRUE(in.mobile());
  EXPECT_EQ(in.Field("NAME"), "Taro Yamada");
  EXPECT_EQ(in.Field("TITLE"), "Q&A");
  EXPECT_EQ(in.Field("COOKIE"), "on");
  EXPECT_EQ(in.Field("CONTENT"), "line1\r\na&b c");  // line breaks kept
  EXPECT_EQ(in.Bytes(in.Locate("CONTENT")), "line1\r\na&b c");
  EXPECT_NE(in.data().find("Q\x01"), std::string_view::npos);
  EXPECT_EQ(in.Field("name"), "");  // letter case counts
  EXPECT_EQ(in.Field("EMAIL"), "");

  FormInput first = ReadMobile("TITLE=NAME%3Dfake&NAME=real");
  EXPECT_EQ(first.Field("TITLE"), "NAME=fake");
  EXPECT_EQ(first.Field("NAME"), "real");  // a value never counts as a field name
  FormInput urls = ReadMobile("IMAGEURL=http://a/p.png&URL=http://b/&DELPASSWORD=d&PASSWORD=p");
  EXPECT_EQ(urls.Field("URL"), "http://b/");
  EXPECT_EQ(urls.Field("PASSWORD"), "p");
}

TEST(MobileFields, EmptyOrMissingContentIsAbsent) {
  EXPECT_TRUE(ReadMobile("NAME=a&CONTENT=&X=1").Locate("CONTENT").absent());
  EXPECT_TRUE(ReadMobile("NAME=a&CONTENT=").Locate("CONTENT").absent());
  EXPECT_TRUE(ReadMobile("NAME=a").Locate("CONTENT").absent());
  FormInput::Span span = ReadMobile("NAME=a&CONTENT=xyz").Locate("CONTENT");
  EXPECT_EQ(span.start, 15u);
  EXPECT_EQ(span.last, 2);
}

TEST(MobileFields, ShiftJisBytesPassUnchanged) {
  const std::string text("表示ポソ"_sj);  // second bytes 0x5C, 0x7C, 0x5C
  FormInput encoded = ReadMobile("NAME=%95%5C%8E%A6%83%7C%83%5C&CONTENT=%95%5C%0D%0A%83%7C");
  EXPECT_EQ(encoded.Field("NAME"), text);
  EXPECT_EQ(encoded.Bytes(encoded.Locate("CONTENT")), "表\r\nポ"_sj);
  EXPECT_EQ(ReadMobile("NAME=" + text + "&TITLE=x").Field("NAME"), text);
}

TEST(MobileReading, StopsAtContentLength) {
  FormInput in = ReadMobile("NAME=abcdef&CONTENT=zz", "7");
  EXPECT_EQ(in.Field("NAME"), "ab");
  EXPECT_EQ(in.raw_length(), 7u);
  EXPECT_TRUE(ReadMobile("NAME=a", "six").data().empty());
  FormInput decoded = ReadMobile("A=%41%42");
  EXPECT_EQ(decoded.raw_length(), 8u);
  EXPECT_EQ(decoded.data(), "A=AB");
}

}  // namespace
}  // namespace kiroq
