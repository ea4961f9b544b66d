#include "cgi/html.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "cgi/headers.h"
#include "cgi/output.h"
#include "test_env.h"

namespace kiroq {
namespace {

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
  };
  for (const Case& c : cases) EXPECT_EQ(c.got.bytes(), c.want);
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
    WriteDownloadHeader(&out, "a.bin", "");
    out.FileBytes(std::string("\0<>", 3));
  }
  EXPECT_EQ(env.stdout_data.substr(env.stdout_data.size() - 7), std::string("\r\n\r\n\0<>", 7));
}

}  // namespace
}  // namespace kiroq
