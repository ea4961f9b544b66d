// Rows of hostile requests: board names, bodies, cookies, environment
// values, query numbers, multipart and mobile bodies.
#include <gtest/gtest.h>

#include <filesystem>

#include "hostile_rows.h"
#include "storage/article_store.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

const std::string kLongName(5000, 'a');

// The bodies of the posts stored after the old articles, in order, as the log
// keeps them.
void ExpectBodies(const LiveBoard& b, int first_new, const std::vector<std::string>& bodies) {
  LiveBoard& board = const_cast<LiveBoard&>(b);
  const std::string log = board.fixture().LogBytes();
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    IndexRecord rec = board.fixture().Record(first_new + static_cast<int>(i));
    EXPECT_EQ(std::string(BodyIn(log, rec)), bodies[i]) << "post " << i;
  }
}

// A multipart body made by hand with this file's boundary.
std::string JoinedParts(const std::vector<std::string>& parts, bool closed = true) {
  return kiroq::JoinedParts(kBoundary, parts, closed);
}

std::string FilePart(const std::string& disposition, const std::string& bytes) {
  return "Content-Disposition: form-data; " + disposition + "\r\nContent-Type: text/plain\r\n\r\n" + bytes;
}

Call Upload(const LiveBoard& b, const std::string& number, const std::string& password, const std::string& file_part) {
  return Multipart({b.board(), "10", number, "21"}, JoinedParts({Part("UPPASSWORD", password), file_part}));
}

// A text of n bytes that carries the hostile markers: markup, a line break
// followed by a header line, and the marker that names files.
std::string HostileValue(const std::string& prefix, std::size_t n) {
  std::string v = prefix + kScriptMarker + "\r\n" + kInjectedHeader + "\r\n" + "/" + kMarker + "/";
  v.resize(n, 'x');
  return v + "/kiroq.exe";
}

std::vector<Row> BoardNameRows() {
  std::vector<Row> rows;
  rows.push_back({"BoardNamesInQueryString", nullptr, [](const LiveBoard& b) {
                    std::vector<Call> calls;
                    for (std::string name :
                         {"..", "%2e%2e", "%2E%2E%2F%2E%2E%2Fkiroqhostile", "..%2F..%2Fkiroqhostile",
                          "bbsdb%2F..%2Ftest", "test%00", "test%00x", "%00", "..%5C..%5Ckiroqhostile", "test%5C",
                          "%3Cscript%3Ekiroqhostile", "test%2F", "", kLongName.c_str(), "%"}) {
                      for (const char* action : {"1", "11", "21", "22"})
                        calls.push_back(Query(name + "+10+1+" + action));
                      Call post = NewPost(b, "escaped");
                      post.args.clear();
                      post.env["QUERY_STRING"] = name + "+10+0+9";
                      calls.push_back(post);
                    }
                    calls.push_back(Query("test=1+10+0+1"));
                    return calls;
                  }});
  rows.push_back({"BoardNamesInArguments", nullptr, [](const LiveBoard& b) {
                    std::vector<Call> calls;
                    for (std::string name :
                         {"..", "../../kiroqhostile", "/tmp/kiroqhostile", "..\\..\\kiroqhostile", "bbsdb/../test",
                          "test/", "test\\", ".", "<script>kiroqhostile", "%2e%2e", kLongName.c_str(), " test"}) {
                      for (const char* action : {"1", "2", "11", "20", "21", "22", "23"}) {
                        calls.push_back(Words({name, "10", "1", action}));
                      }
                      Call post = NewPost(b, "escaped");
                      post.args[0] = name;
                      calls.push_back(post);
                    }
                    return calls;
                  }});
  return rows;
}

std::vector<Row> BodySizeRows() {
  std::vector<Row> rows;
  rows.push_back({"ContentLengths", nullptr,
                  [](const LiveBoard& b) {
                    std::vector<Call> calls;
                    Call big = NewPost(b, std::string(5 * 1024 * 1024, 'z'));
                    calls.push_back(big);  // over 5 MB: refused whole
                    for (const char* length : {"99999999999999999999", "-1", "abc", "", "5242881", "0x20"}) {
                      calls.push_back(With(NewPost(b, "length " + std::string(length)), "CONTENT_LENGTH", length));
                    }
                    // Longer than the body: the body ends where the input does.
                    Call longer = NewPost(b, "longer than sent");
                    longer.env["CONTENT_LENGTH"] = std::to_string(longer.body.size() + 1000);
                    calls.push_back(longer);
                    // Shorter than the body: CONTENT loses its closing delimiter.
                    Call shorter = NewPost(b, std::string(3000, 's'));
                    shorter.env["CONTENT_LENGTH"] = std::to_string(shorter.body.size() - 100);
                    calls.push_back(shorter);
                    return calls;
                  },
                  1, [](const LiveBoard& b, int first) { ExpectBodies(b, first, {"longer than sent\r\n"}); }});
  return rows;
}

std::vector<Row> CookieRows() {
  std::vector<Row> rows;
  rows.push_back({"CookieOverSixteenKilobytes", nullptr,
                  [](const LiveBoard& b) {
                    // The password after 16 KB is not read, so action 8 toggles nothing.
                    std::string cookie = "NAME=" + std::string(kScriptMarker) + std::string(20000, 'a') +
                                         "; PWD=pw1; BROWSCOUNT=3; TREET=0";
                    std::vector<Call> calls;
                    for (const char* action : {"0", "1", "2", "3", "4", "8", "11", "15", "20", "30", "31"}) {
                      calls.push_back(With(View(b, "1", action), "HTTP_COOKIE", cookie));
                    }
                    Call post = Posted(b, "0", "9", {{"NAME", "n"}, {"COOKIE", "on"}, {"CONTENT", "with cookie"}});
                    calls.push_back(With(post, "HTTP_COOKIE", cookie));
                    return calls;
                  },
                  1});
  rows.push_back({"CookieNumbers", nullptr, [](const LiveBoard& b) {
                    std::vector<Call> calls;
                    for (const char* count : {"-99999999999999999999", "abc", "2147483647", "-2147483648", "0", "1e9",
                                              "99999999999999999999"}) {
                      for (const char* action : {"1", "2", "3", "11", "12", "30"}) {
                        calls.push_back(With(View(b, "0", action), "HTTP_COOKIE",
                                             std::string("BROWSCOUNT=") + count + "; TREET2=x"));
                      }
                    }
                    return calls;
                  }});
  return rows;
}

// What a page of another site can make a visitor's browser send: a link, a
// form, an image address. Article 1's password is in the visitor's cookie.
std::vector<Row> OtherSiteRows() {
  std::vector<Row> rows;
  rows.push_back({"RequestsSentByOtherSites", nullptr, [](const LiveBoard& b) {
                    const std::vector<std::pair<std::string, std::string>> from_elsewhere[] = {
                        {{"HTTP_SEC_FETCH_SITE", "cross-site"}, {"HTTP_SEC_FETCH_DEST", "document"}},
                        {{"HTTP_SEC_FETCH_SITE", "same-origin"}, {"HTTP_SEC_FETCH_DEST", "image"}},
                        {{"HTTP_ORIGIN", "http://kiroqhostile.example"}, {"HTTP_HOST", "localhost"}},
                        {{"HTTP_ORIGIN", "null"}},
                    };
                    std::vector<Call> calls;
                    for (const auto& headers : from_elsewhere) {
                      std::vector<Call> tries = {
                          View(b, "1", "8"),
                          Posted(b, "1", "14", {{"DELPASSWORD", "pw1"}}),
                          NewPost(b, "from elsewhere"),
                          Posted(b, "0", "6", {{"CONTENT", "from elsewhere"}}),
                          Posted(b, "1", "32", {{"BROWSCOUNT", "5"}}),
                          View(b, "1", "31"),
                          Upload(b, "1", "pw1", FilePart("name=\"UPLOADFILE\"; filename=\"kiroqhostile.txt\"", "x")),
                      };
                      for (Call c : tries) {
                        c.env["HTTP_COOKIE"] = "PWD=pw1";
                        for (const auto& [k, v] : headers) c.env[k] = v;
                        calls.push_back(c);
                      }
                    }
                    return calls;
                  }});
  return rows;
}

std::vector<Row> EnvironmentRows() {
  std::vector<Row> rows;
  auto long_env = [](Call c) {
    c.env["HTTP_REFERER"] = HostileValue("http://localhost/bbs/", 20000);
    c.env["HTTP_USER_AGENT"] = HostileValue("Mozilla/5.0 ", 5000) + "DoCoMo MSIE 5.5;";
    c.env["REMOTE_HOST"] = HostileValue("host.", 5000);
    c.env["REMOTE_ADDR"] = HostileValue("127.0.0.1", 5000);
    c.env["SCRIPT_NAME"] = HostileValue("/bbs/", 5000);
    c.env["SERVER_NAME"] = HostileValue("localhost", 5000);
    c.env["SERVER_PORT"] = HostileValue("80", 2000);
    c.env["REQUEST_SCHEME"] = HostileValue("https", 2000);
    return c;
  };
  rows.push_back(
      {"EnvironmentValuesOverOneKilobyte",
       [](LiveBoard& b) {
         SettingsWith(b, {"CONVERTREMOTEHOST=1", "IMODE=2", "COOKIEDELETE=0"});
         // Article 1 has an attachment, so that the downloads answer.
         std::string index = b.fixture().IndexBytes();
         SetAttachmentName(&index, "a.txt");
         b.fixture().dir().Write("bbsdb/test/1/a.txt", "attached");
         b.fixture().dir().Write("bbsdb/test.idx", index);
       },
       [long_env](const LiveBoard& b) {
         std::vector<Call> calls;
         for (const char* action : {"0", "1", "2", "3", "4", "11", "12", "15", "20", "22", "23", "30", "99"}) {
           calls.push_back(long_env(View(b, "1", action)));
         }
         calls.push_back(long_env(Posted(b, "0", "9", {{"COOKIE", "on"}, {"CONTENT", "long env"}})));
         calls.push_back(long_env(Posted(b, "1", "32", {{"BROWSCOUNT", "5"}, {"TT", "1"}})));
         calls.push_back(long_env(View(b, "1", "31")));
         // A refused e-mail address shows a link back to the referring page.
         calls.push_back(long_env(Posted(b, "0", "9", {{"EMAIL", "no-at-sign"}, {"CONTENT", "refused"}})));
         return calls;
       },
       1});
  return rows;
}

const char* const kNumberWords[] = {
    "-1", "-2147483648", "2147483647", "99999999999999999999", "abc", "", " 7", "0x10", "1e9",
    "-0", "+3",          "3abc",       "-99999999999999999999"};

std::vector<Row> QueryNumberRows() {
  std::vector<Row> rows;
  rows.push_back({"PageSizeWords", nullptr, [](const LiveBoard& b) {
                    std::vector<Call> calls;
                    for (const char* size : kNumberWords) {
                      for (const char* action : {"0", "1", "2", "3", "11", "12", "10"}) {
                        calls.push_back(Words({b.board(), size, "1", action}));
                      }
                    }
                    return calls;
                  }});
  rows.push_back({"ArticleNumberWords", nullptr, [](const LiveBoard& b) {
                    return AllViews(b, std::vector<std::string>(std::begin(kNumberWords), std::end(kNumberWords)));
                  }});
  rows.push_back({"ActionWords", nullptr, [](const LiveBoard& b) {
                    std::vector<Call> calls;
                    for (const char* action : kNumberWords) {
                      for (const char* number : {"0", "1", "4"})
                        calls.push_back(Words({b.board(), "10", number, action}));
                    }
                    for (const char* action : {"-100", "-256", "256", "257", "-2147483649", "98", "21", "158"}) {
                      calls.push_back(Words({b.board(), "10", "1", action}));
                    }
                    calls.push_back(Words({}));
                    calls.push_back(Words({b.board()}));
                    calls.push_back(Words({b.board(), "10", "1", "30", "-5", "x", "y"}));
                    return calls;
                  }});
  rows.push_back(
      {"PostsWithNumberWords", nullptr,
       [](const LiveBoard& b) {
         std::vector<Call> calls;
         for (const char* number : {"-1", "99999999999999999999", "abc", "-2147483648", "40", "2147483647"}) {
           calls.push_back(Posted(b, number, "9", {{"CONTENT", std::string("reply to ") + number}}));
         }
         return calls;
       },
       6,
       [](const LiveBoard& b, int first) {
         // No such parent: each becomes a thread top.
         for (int k = first; k < first + 6; ++k) {
           EXPECT_EQ(const_cast<LiveBoard&>(b).fixture().Record(k).parent, 0) << "post " << k;
         }
       }});
  return rows;
}

std::vector<Row> MultipartRows() {
  std::vector<Row> rows;
  rows.push_back(
      {"MultipartWithoutClosingBoundary", nullptr,
       [](const LiveBoard& b) {
         std::vector<Call> calls;
         const std::vector<std::string> words = {b.board(), "10", "0", "9"};
         calls.push_back(Multipart(words, JoinedParts({Part("CONTENT", "cut short")}, false)));
         calls.push_back(Multipart(words, JoinedParts({Part("TITLE", "t"), Part("CONTENT", "cut")}, false)));
         // CONTENT is whole; only the part after it is cut.
         calls.push_back(Multipart(words, JoinedParts({Part("CONTENT", "whole"), Part("TITLE", "cut")}, false)));
         calls.push_back(Multipart(words, std::string("--") + kBoundary));
         calls.push_back(Multipart(words, std::string("--") + kBoundary + "\r\n"));
         calls.push_back(Multipart(words, "--"));
         calls.push_back(Multipart(words, "x"));
         calls.push_back(
             Multipart(words, std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\""));
         calls.push_back(Multipart(words, std::string("--") + kBoundary + "\r\n" + Part("CONTENT", "") + "\r\n"));
         return calls;
       },
       1, [](const LiveBoard& b, int first) { ExpectBodies(b, first, {"whole\r\n"}); }});
  rows.push_back({"BoundaryInsideContent", nullptr,
                  [](const LiveBoard& b) {
                    std::vector<Call> calls;
                    const std::vector<std::string> words = {b.board(), "10", "0", "9"};
                    const std::string inside =
                        std::string("a line with --") + kBoundary + " inside\r\nx--" + kBoundary + "--";
                    calls.push_back(Multipart(words, JoinedParts({Part("CONTENT", inside)})));
                    // A line of 29 dashes is no delimiter when CONTENT_TYPE names the boundary.
                    const std::string dashes = "before\r\n-----------------------------fake\r\nafter";
                    calls.push_back(Multipart(words, JoinedParts({Part("CONTENT", dashes)})));
                    // The delimiter at a line start ends the part, as it must.
                    const std::string ended = std::string("kept\r\n--") + kBoundary + "\r\nnot a header";
                    calls.push_back(Multipart(words, JoinedParts({Part("CONTENT", ended)})));
                    return calls;
                  },
                  3,
                  [](const LiveBoard& b, int first) {
                    ExpectBodies(b, first,
                                 {std::string("a line with --") + kBoundary + " inside\r\nx--" + kBoundary + "--\r\n",
                                  "before\r\n-----------------------------fake\r\nafter\r\n", "kept\r\n"});
                  }});
  rows.push_back(
      {"HeaderLinesInOtherSpellings", nullptr,
       [](const LiveBoard& b) {
         std::vector<Call> calls;
         const std::vector<std::string> words = {b.board(), "10", "0", "9"};
         for (const char* header :
              {"content-disposition: form-data; name=\"CONTENT\"", "CONTENT-DISPOSITION: FORM-DATA; NAME=\"CONTENT\"",
               "Content-Disposition: form-data; name=CONTENT", "Content-Disposition:form-data;name=\"CONTENT\"",
               "Content-Disposition: form-data; name=\"CONTENT", "Content-Disposition: form-data; name=\"\"",
               "Content-Disposition: form-data; name=\"CONTENT\"; filename=\"x\"; name=\"y\""}) {
           calls.push_back(Multipart(words, JoinedParts({std::string(header) + "\r\n\r\nspelled"})));
         }
         // Line feeds alone, and a further header line before the disposition.
         std::string lf = std::string("--") + kBoundary +
                          "\nContent-Disposition: form-data; name=\"CONTENT\"\n\nlf only\n--" + kBoundary + "--\n";
         calls.push_back(Multipart(words, lf));
         calls.push_back(Multipart(words, JoinedParts({"Content-Type: text/plain\r\n" + Part("CONTENT", "typed")})));
         return calls;
       },
       3,
       [](const LiveBoard& b, int first) {
         ExpectBodies(b, first, {"spelled\r\n", "lf only\n", "typed\r\n"});
       }});
  rows.push_back(
      {"FilePartWithoutName", nullptr,
       [](const LiveBoard& b) {
         std::vector<Call> calls;
         calls.push_back(Upload(b, "1", "pw1", FilePart("filename=\"kiroqhostile.txt\"", "data")));
         calls.push_back(Upload(b, "1", "pw1", FilePart("name=\"UPLOADFILE\"", "no file name")));
         calls.push_back(Upload(b, "1", "pw1", FilePart("name=\"UPLOADFILE\"; filename=\"\"", "empty name")));
         calls.push_back(
             Multipart({b.board(), "10", "0", "9"}, JoinedParts({FilePart("filename=\"kiroqhostile.txt\"", "data"),
                                                                 Part("CONTENT", "beside a nameless file")})));
         return calls;
       },
       1,
       [](const LiveBoard& b, int first) {
         ExpectBodies(b, first, {"beside a nameless file\r\n"});
         EXPECT_FALSE(std::filesystem::exists(b.folder() + "bbsdb/test/1")) << "a nameless upload was saved";
       }});
  rows.push_back(
      {"EncodedQuotesAndLineBreaksInNames",
       nullptr,
       [](const LiveBoard& b) {
         std::vector<Call> calls;
         calls.push_back(Multipart({b.board(), "10", "0", "9"},
                                   JoinedParts({Part("TITLE%22", "not the title"), Part("CONTENT%0D%0A", "not it"),
                                                Part("CONTENT", "the content")})));
         calls.push_back(Upload(
             b, "1", "pw1", FilePart("name=\"UPLOADFILE\"; filename=\"C:\\x\\..\\kiroqhostile%22%0D%0A.txt\"", "a")));
         // Names that would leave the attachment folder lose their path or are refused.
         for (const char* name : {"../../kiroqhostile.txt", "..", ".htaccess", "a%2F..%2F..%2Fkiroqhostile"}) {
           calls.push_back(
               Upload(b, "2", "pw2", FilePart(std::string("name=\"UPLOADFILE\"; filename=\"") + name + "\"", "x")));
         }
         for (const char* number : {"1", "2"}) {
           for (const char* action : {"22", "23", "3", "11"}) calls.push_back(View(b, number, action));
         }
         return calls;
       },
       1,
       [](const LiveBoard& b, int first) {
         ExpectBodies(b, first, {"the content\r\n"});
         LiveBoard& board = const_cast<LiveBoard&>(b);
         EXPECT_EQ(board.fixture().Record(first).title, "");
         EXPECT_EQ(board.fixture().Record(0).attachment, "kiroqhostile%22%0D%0A.txt");
         EXPECT_EQ(board.fixture().Record(1).attachment, "a%2F..%2F..%2Fkiroqhostile");
         // Each stayed in the article's folder; the last replaced the first.
         EXPECT_TRUE(std::filesystem::exists(b.folder() + "bbsdb/test/2/a%2F..%2F..%2Fkiroqhostile"));
         EXPECT_FALSE(std::filesystem::exists(b.folder() + "bbsdb/test/2/kiroqhostile.txt"));
       },
       {0, 1}});
  return rows;
}

std::vector<Row> FormFieldRows() {
  std::vector<Row> rows;
  rows.push_back({"MarkupInEveryFormField",
                  nullptr,
                  [](const LiveBoard& b) {
                    // Stored as sent; every page that shows them escapes them.
                    const std::string m = kScriptMarker;
                    std::vector<Call> calls;
                    calls.push_back(Posted(b, "1", "9",
                                           {{"NAME", m},
                                            {"TITLE", m},
                                            {"EMAIL", m + "@x"},
                                            {"URL", m},
                                            {"IMAGEURL", m},
                                            {"SEX", m},
                                            {"AGE", m},
                                            {"ADDRESS1", m},
                                            {"PASSWORD", m},
                                            {"CONTENT", m + "\r\n" + m}}));
                    std::vector<Call> views = AllViews(b, {"0", "1", "4"});
                    calls.insert(calls.end(), views.begin(), views.end());
                    calls.push_back(Posted(b, "0", "10", {{"SEARCHWORD", m}}));
                    calls.push_back(With(View(b, "4", "8"), "HTTP_COOKIE", "PWD=" + m));
                    calls.push_back(Posted(b, "4", "15", {{"DELPASSWORD", m}}));
                    calls.push_back(
                        With(View(b, "0", "0"), "HTTP_COOKIE", "NAME=" + m + "; EMAIL=" + m + "; URL=" + m));
                    return calls;
                  },
                  1,
                  [](const LiveBoard& b, int first) {
                    // The marker is there to be found: shown, escaped.
                    CgiResult page = b.Get(first + 1, 3);
                    EXPECT_NE(page.out.find("&lt;script&gt;kiroqhostile"), std::string::npos) << page.out;
                  },
                  {},
                  {0}});
  rows.push_back({"PictureAddressesThatAreNoPictures", nullptr,
                  [](const LiveBoard& b) {
                    std::vector<Call> calls;
                    for (const char* image :
                         {"javascript:alert('kiroqhostile')", "JAVASCRIPT:kiroqhostile()",
                          "data:text/html,kiroqhostile", "kiroqhostile.png", "kiroq.exe?test+10+1+8",
                          "http://h/cgi-bin/kiroq.exe?test+10+1+8", "http://h/cgi-bin/KIROQ%2eEXE%3Ftest+10+1+8"}) {
                      calls.push_back(Posted(b, "0", "9", {{"IMAGEURL", image}, {"CONTENT", "picture"}}));
                    }
                    std::vector<Call> views = AllViews(b, {"0", "4", "10"});
                    calls.insert(calls.end(), views.begin(), views.end());
                    return calls;
                  },
                  7,
                  [](const LiveBoard& b, int first) {
                    // Stored as sent; the harness holds every page to showing none as a picture.
                    for (int k = first; k < first + 7; ++k) {
                      EXPECT_FALSE(const_cast<LiveBoard&>(b).fixture().Record(k).image_url.empty()) << k;
                    }
                  }});
  // Member cookies that name no member, on a board that admits members only:
  // every page is the login page.
  rows.push_back(
      {"MemberCookiesThatNameNoMember",
       [](LiveBoard& b) {
         b.fixture().dir().Write("members.txt", "guest,guest-pass,g@example.jp,Guest\r\n");
         SettingsWith(b, {"MEMBERSONLY=" + b.folder() + "members.txt", "MEMBERREADONLY=1"});
       },
       [](const LiveBoard& b) {
         std::vector<Call> calls;
         for (const char* cookie : {"MEMID=kiroqhostile", "MEMID=guest", "MEMID=GUEST; MEMPASS=Guest-Pass",
                                    "MEMID=guest; MEMPASS=guest-pass%00", "MEMPASS=guest-pass"}) {
           for (Call c : AllViews(b, {"1"})) calls.push_back(With(c, "HTTP_COOKIE", cookie));
         }
         return calls;
       },
       0,
       [](const LiveBoard& b, int) {
         for (int action : {1, 2, 3, 4, 5, 11, 12, 15, 22, 23, 99}) {
           const std::string forged = b.Get(1, action, {{"HTTP_COOKIE", "MEMID=guest"}}).out;
           EXPECT_NE(forged.find("NAME=\"CONFMEMID\""), std::string::npos) << action;
           const std::string member = b.Get(1, action, {{"HTTP_COOKIE", "MEMID=GUEST; MEMPASS=guest-pass"}}).out;
           EXPECT_EQ(member.find("NAME=\"CONFMEMID\""), std::string::npos) << action;
         }
       }});
  return rows;
}

std::vector<Row> MobileRows() {
  std::vector<Row> rows;
  auto mobile = [](LiveBoard& b) { SettingsWith(b, {"IMODE=1", "COOKIEDELETE=1"}); };
  rows.push_back(
      {"MobileBodiesWithBadEscapes", mobile,
       [](const LiveBoard& b) {
         std::vector<Call> calls;
         for (std::string body :
              {"NAME=a%zz&TITLE=t%&CONTENT=x%4y%%20z%", "CONTENT=%", "CONTENT=ab%0", "CONTENT=%E3%81%82%26%3D",
               "CONTENT=a%00b", "CONTENT=%%%%%%%%", "%", "%%", "CONTENT", "&&&&=&CONTENT=&", "=CONTENT=x"}) {
           calls.push_back(Mobile(b, "0", "9", body));
         }
         std::string many;
         for (int i = 0; i < 100000; ++i) many += "%41";
         calls.push_back(Mobile(b, "0", "9", "CONTENT=" + many));
         calls.push_back(With(Mobile(b, "0", "9", "CONTENT=nan"), "CONTENT_LENGTH", "nan"));
         calls.push_back(With(Mobile(b, "0", "9", "CONTENT=huge"), "CONTENT_LENGTH", "99999999999999999999"));
         calls.push_back(Mobile(b, "0", "9", "CONTENT=" + std::string(5 * 1024 * 1024, 'm')));
         return calls;
       },
       7,
       [](const LiveBoard& b, int first) {
         ExpectBodies(b, first, {"x%4y% z%", "%", "ab%0", "\xE3\x81\x82&=", std::string("a\0b", 3), "%%%%%%%%"});
       }});
  rows.push_back(
      {"ControlBytesAndAttributesInCookieValues", nullptr,
       [](const LiveBoard& b) {
         std::vector<Call> calls;
         for (const std::string& value : {std::string("a\x01b"), std::string("a\0b", 3), std::string("a\x7F\tb"),
                                          std::string("a; Domain=kiroqhostile.example; Max-Age=9")}) {
           Call post = Posted(b, "0", "9",
                              {{"NAME", value},
                               {"EMAIL", value + "@x"},
                               {"URL", value},
                               {"PASSWORD", value},
                               {"COOKIE", "on"},
                               {"CONTENT", "cookies"}});
           calls.push_back(With(post, "HTTP_REFERER", "http://localhost/a;Domain=kiroqhostile/" + value + "/x"));
           calls.push_back(Posted(b, "1", "32", {{"BROWSCOUNT", value}, {"TREET", value}, {"TREET2", value}}));
         }
         return calls;
       },
       4});
  rows.push_back(
      {"MobileLineBreaksInCookieValues", mobile,
       [](const LiveBoard& b) {
         std::vector<Call> calls;
         const std::string injected = std::string("a%0D%0A") + kInjectedHeader;
         calls.push_back(Mobile(b, "0", "9", "NAME=" + injected + "&COOKIE=on&PASSWORD=" + injected + "&CONTENT=c"));
         calls.push_back(Mobile(b, "1", "32", "BROWSCOUNT=" + injected + "&TREET=" + injected + "&TT=" + injected));
         return calls;
       },
       1});
  return rows;
}

}  // namespace

std::vector<Row> RequestRows() {
  std::vector<Row> rows;
  for (auto make : {BoardNameRows, BodySizeRows, CookieRows, OtherSiteRows, EnvironmentRows, QueryNumberRows,
                    MultipartRows, FormFieldRows, MobileRows}) {
    std::vector<Row> more = make();
    rows.insert(rows.end(), more.begin(), more.end());
  }
  return rows;
}

}  // namespace kiroq
