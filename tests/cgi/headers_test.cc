#include "cgi/headers.h"

#include <gtest/gtest.h>

#include <map>

#include "cgi/client.h"
#include "cgi/output.h"
#include "test_env.h"

namespace kiroq {
namespace {

std::string Written(void (*write)(Output*)) {
  FakeEnv env;
  {
    Output out(&env);
    write(&out);
  }
  return env.stdout_data;
}

TEST(PageHeader, ExactBlock) {
  EXPECT_EQ(Written([](Output* o) { WritePageHeader(o); }),
            "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
            "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n");
}

TEST(DownloadHeader, OneWellFormedTypeThatBrowsersNeitherSniffNorRun) {
  FakeEnv env;
  {
    Output out(&env);
    WriteDownloadHeader(&out, "a.zip");
    WriteDownloadHeader(&out, "a\r\nSet-Cookie: x=1.zip");
  }
  const std::string rest =
      "Content-Type: application/octet-stream\r\n"
      "X-Content-Type-Options: nosniff\r\n"
      "Content-Security-Policy: sandbox\r\n\r\n";
  EXPECT_EQ(env.stdout_data, "Content-Disposition: attachment; filename=a.zip\r\n" + rest +
                                 "Content-Disposition: attachment; filename=aSet-Cookie: x=1.zip\r\n" + rest);
}

TEST(CookiePath, FolderOfTheReferringPage) {
  EXPECT_EQ(CookiePath("http://example.com/bbs/kiroq.exe?cafe+10+0+1"), "/bbs/");
  EXPECT_EQ(CookiePath("https://example.com/cgi-bin/bbs/kiroq.exe"), "/cgi-bin/bbs/");
  EXPECT_EQ(CookiePath("http://example.com:8080/index.html"), "/");
  EXPECT_EQ(CookiePath("http://example.com"), "");
  EXPECT_EQ(CookiePath(""), "");
  // A "/" in the query is not part of the folder.
  EXPECT_EQ(CookiePath("http://example.com/a/kiroq.exe?x/y/z"), "/a/");
}

TEST(CookieLines, BothFormsCarryPathAndHttpOnly) {
  EXPECT_EQ(TemporaryCookieLine("NAME=taro", "/bbs/"), "Set-Cookie: NAME=taro; path=/bbs/; HttpOnly;");
  EXPECT_EQ(TemporaryCookieLine("PWD=", ""), "Set-Cookie: PWD=; path=; HttpOnly;");
  // 2024-12-08 01:06:40 UTC: the expiry is a year later.
  EXPECT_EQ(PersistentCookieLine("PWD=secret", "/bbs/", 1733620000),
            "Set-Cookie: PWD=secret; expires=Monday, 08-Dec-2025 01:06:40 GMT; path=/bbs/; HttpOnly;");
}

TEST(CookieLines, RequestTextCannotAddHeaderLines) {
  EXPECT_EQ(TemporaryCookieLine("NAME=a\r\nLocation: http://evil/", "/\n"),
            "Set-Cookie: NAME=aLocation: http://evil/; path=/; HttpOnly;");
}

// Whatever a visitor sends, a cookie line is "Set-Cookie: NAME=value" and
// the builder's own attributes: no byte below 0x20, no 0x7F, no ";" of the
// visitor's.
TEST(CookieLines, EveryByteStaysInsideTheValue) {
  for (int b = 0; b < 256; ++b) {
    const std::string text = "a" + std::string(1, static_cast<char>(b)) + "b";
    for (const std::string& line : {PersistentCookieLine("NAME=" + text, "/" + text + "/", 1733620000),
                                    TemporaryCookieLine("NAME=" + text, "/" + text + "/")}) {
      SCOPED_TRACE(b);
      for (unsigned char c : line) EXPECT_TRUE(c >= 0x20 && c != 0x7F) << line;
      std::size_t semicolons = 0;
      for (char c : line) semicolons += c == ';';
      EXPECT_EQ(semicolons, line.find("expires=") != std::string::npos ? 4u : 3u) << line;
    }
  }
  struct Case {
    std::string pair, path, line;
  } cases[] = {
      {"NAME=taro; Domain=evil.example", "/bbs/", "Set-Cookie: NAME=taro; path=/bbs/; HttpOnly;"},
      {std::string("NAME=ta\0ro", 11), "/bbs/", "Set-Cookie: NAME=taro; path=/bbs/; HttpOnly;"},
      {"NAME=\x01t\tar\x7Fo",
       "/b\x1F"
       "bs/",
       "Set-Cookie: NAME=taro; path=/bbs/; HttpOnly;"},
      {"NAME=\x83\x5C\x82\xA0", "/", "Set-Cookie: NAME=\x83\x5C\x82\xA0; path=/; HttpOnly;"},  // Shift-JIS kept
  };
  for (const Case& c : cases) EXPECT_EQ(TemporaryCookieLine(c.pair, c.path), c.line);
  // A ";" in the referring page's path ends the part that counts.
  EXPECT_EQ(CookiePath("http://h/a/b;Domain=evil/c/kiroq.exe"), "/a/");
}

TEST(CookieDates, KnownDays) {
  EXPECT_EQ(CookieDate(0), "Thursday, 01-Jan-1970 00:00:00 GMT");
  EXPECT_EQ(CookieDate(1268781160), "Tuesday, 16-Mar-2010 23:12:40 GMT");
  EXPECT_EQ(CookieDate(951782400), "Tuesday, 29-Feb-2000 00:00:00 GMT");
}

TEST(CookieLookup, WholeNamesOnly) {
  Cookies c("USERNAME=bob; NAME=alice; TREET2=1; TREET=0; PWD=a; b; EMPTY=; LAST=end");
  EXPECT_EQ(c.Value("NAME="), "alice");
  EXPECT_EQ(c.Value("USERNAME="), "bob");
  EXPECT_EQ(c.Value("TREET="), "0");
  EXPECT_EQ(c.Value("TREET2="), "1");
  EXPECT_EQ(c.Value("PWD="), "a");  // cut at "; "
  EXPECT_EQ(c.Value("EMPTY="), "");
  EXPECT_TRUE(c.Has("EMPTY="));
  EXPECT_EQ(c.Value("LAST="), "end");
  EXPECT_EQ(c.Value("MISSING="), "");
  EXPECT_FALSE(c.Has("MISSING="));
  EXPECT_EQ(c.Value("name="), "");  // keys are matched byte for byte
}

TEST(CookieLookup, ValueWithOnlyASemicolonRunsOn) {
  Cookies c("A=x;y; B=z");
  EXPECT_EQ(c.Value("A="), "x;y");
  EXPECT_EQ(c.Value("y="), "");
}

TEST(CookieLookup, BufferHoldsAtMostItsSize) {
  std::string big = "A=" + std::string(20000, 'x') + "; B=1";
  Cookies c(big);
  EXPECT_EQ(c.text().size(), Cookies::kMaxBytes);
  EXPECT_EQ(c.Value("A=").size(), Cookies::kMaxBytes - 2);
  EXPECT_EQ(c.Value("B="), "");
}

TEST(ClientIdentity, RemoteHostResolution) {
  FakeEnv env;
  env.hosts["192.0.2.7"] = "host7.example.net";
  EXPECT_EQ(ReadClient(&env).ResolvedHost(&env), "");
  env.vars["REMOTE_HOST"] = "already.example.org";
  EXPECT_EQ(ReadClient(&env).ResolvedHost(&env), "already.example.org");
  env.vars["REMOTE_HOST"] = "192.0.2.7";
  EXPECT_EQ(ReadClient(&env).ResolvedHost(&env), "host7.example.net");
  env.vars["REMOTE_HOST"] = "192.0.2.8";
  EXPECT_EQ(ReadClient(&env).ResolvedHost(&env), "192.0.2.8");
}

TEST(ClientIdentity, PosterHostFollowsTheSwitch) {
  FakeEnv env;
  env.vars["REMOTE_ADDR"] = "198.51.100.1";
  EXPECT_EQ(ReadClient(&env).PosterHost(&env, false), "198.51.100.1");
  EXPECT_EQ(ReadClient(&env).PosterHost(&env, true), "");  // REMOTE_HOST is absent
}

TEST(ClientIdentity, RequestsFromOtherSites) {
  struct Case {
    std::map<std::string, std::string> vars;
    bool other;
  } cases[] = {
      {{}, false},  // browsers without fetch metadata, scripts, telephones
      {{{"HTTP_SEC_FETCH_SITE", "same-origin"}, {"HTTP_SEC_FETCH_DEST", "document"}}, false},
      {{{"HTTP_SEC_FETCH_SITE", "same-site"}, {"HTTP_SEC_FETCH_DEST", "iframe"}}, true},  // a sibling host or port
      {{{"HTTP_SEC_FETCH_SITE", "none"}, {"HTTP_SEC_FETCH_DEST", "frame"}}, false},
      {{{"HTTP_SEC_FETCH_DEST", "empty"}}, false},
      {{{"HTTP_SEC_FETCH_SITE", "cross-site"}}, true},
      {{{"HTTP_SEC_FETCH_SITE", "Cross-Site"}, {"HTTP_SEC_FETCH_DEST", "document"}}, true},
      {{{"HTTP_SEC_FETCH_DEST", "image"}}, true},
      {{{"HTTP_SEC_FETCH_DEST", "script"}}, true},
      {{{"HTTP_SEC_FETCH_DEST", ""}}, true},
      // Origin against the Host header, ports defaulted by scheme.
      {{{"HTTP_ORIGIN", "http://bbs.example"}, {"HTTP_HOST", "bbs.example"}}, false},
      {{{"HTTP_ORIGIN", "http://BBS.example:80"}, {"HTTP_HOST", "bbs.example"}}, false},
      {{{"HTTP_ORIGIN", "https://bbs.example"}, {"HTTP_HOST", "bbs.example"}, {"HTTPS", "on"}}, false},
      {{{"HTTP_ORIGIN", "http://[::1]:8080"}, {"HTTP_HOST", "[::1]:8080"}}, false},
      {{{"HTTP_ORIGIN", "http://evil.example"}, {"HTTP_HOST", "bbs.example"}}, true},
      {{{"HTTP_ORIGIN", "http://bbs.example:8080"}, {"HTTP_HOST", "bbs.example"}}, true},
      {{{"HTTP_ORIGIN", "https://bbs.example"}, {"HTTP_HOST", "bbs.example"}}, true},
      {{{"HTTP_ORIGIN", "http://[::2]:8080"}, {"HTTP_HOST", "[::1]:8080"}}, true},
      {{{"HTTP_ORIGIN", "null"}, {"HTTP_HOST", "bbs.example"}}, true},
      // The configured name (UseCanonicalName On) does not stand for the
      // name the browser used; it stands in only without a Host header.
      {{{"HTTP_ORIGIN", "http://127.0.0.1:8080"}, {"HTTP_HOST", "127.0.0.1:8080"}, {"SERVER_NAME", "bbs.example"}},
       false},
      {{{"HTTP_ORIGIN", "http://bbs.example:8080"}, {"SERVER_NAME", "bbs.example"}, {"SERVER_PORT", "8080"}}, false},
      {{{"HTTP_ORIGIN", "http://evil.example:8080"}, {"SERVER_NAME", "bbs.example"}, {"SERVER_PORT", "8080"}}, true},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    env.vars = c.vars;
    std::string shown;
    for (const auto& [k, v] : c.vars) shown += k + "=" + v + " ";
    EXPECT_EQ(ReadClient(&env).FromOtherSite(), c.other) << shown;
  }
}

TEST(HtmlEscaping, FiveBytes) {
  EXPECT_EQ(EscapeText("<a href=\"x\">&'</a>").bytes(), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;&lt;/a&gt;");
  // Shift-JIS second bytes are never among the escaped ones.
  EXPECT_EQ(EscapeText("\x95\x5C\x83\x7C").bytes(), "\x95\x5C\x83\x7C");
}

}  // namespace
}  // namespace kiroq
