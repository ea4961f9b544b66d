// Boards with a purpose: posts that are screened, members-only boards,
// the administrator's pages and attachments. Each scenario is one board and
// its requests in order.
#include <cstdio>

#include "corpus.h"

namespace kiroq::corpus {

namespace {

using Lines = std::vector<std::string>;

// A seeded board "test" with these settings.
Scenario Board(const std::string& name, Lines settings, std::vector<Call> calls) {
  Profile p{name, std::move(settings)};
  return {name, "test", {}, [p](BoardFixture& b) { PrepareBoard(b, p); }, std::move(calls)};
}

Call Post(int number, const Fields& fields, bool mobile = false) { return Form("test", number, 9, fields, mobile); }
Call Content(const std::string& text) { return Post(0, {{"NAME", "n"}, {"TITLE", "t"}, {"CONTENT", text}}); }

// The pages that show what the posts before them stored.
std::vector<Call> Then(std::vector<Call> calls, const std::vector<std::pair<int, int>>& pages) {
  for (auto [number, action] : pages) calls.push_back(Get("test", 10, number, action));
  return calls;
}
const std::vector<std::pair<int, int>> kAfter = {{0, 1}, {0, 2}, {0, 11}, {15, 3}, {16, 3}};

Lines Ja(Lines more) {
  more.insert(more.begin(), "JAPANESE=1");
  return more;
}

}  // namespace

std::vector<Scenario> ScreeningScenarios() {
  std::vector<Scenario> out;
  for (bool ja : {true, false}) {
    const std::string lang = ja ? "ja-" : "en-";
    auto lines = [ja](Lines l) { return ja ? Ja(l) : l; };
    out.push_back(Board(
        lang + "refused-host",
        lines({"CONVERTREMOTEHOST=1", "USEHOSTNAME=1", "CANCELDOMAINLISTSTART", "EXAMPLE.JP", "", "203.0.113.",
               "CANCELDOMAINLISTEND", "ignored.example"}),
        Then({Content("from a refused host"),
              With(With(Content("other host"), "REMOTE_HOST", "other.example.org"), "REMOTE_ADDR", "198.51.100.9"),
              With(With(Content("refused address"), "REMOTE_HOST", ""), "REMOTE_ADDR", "203.0.113.5"),
              With(Content("unresolved"), "REMOTE_HOST", "10.0.0.1"),
              With(Content("ignored after the end"), "REMOTE_HOST", "ignored.example")},
             kAfter)));
    out.push_back(Board(lang + "refused-words",
                        lines({"CHECKSTRINGSTART", "badword", sjis::kTitle, "", "CHECKSTRINGEND", "USEDATE=1"}),
                        Then({Content("a badword inside"), Content("bad\r\nword across a line break"),
                              Content(std::string("title ") + sjis::kTitle), Content("clean text"),
                              Post(0, {{"TITLE", "badword in the title"}, {"CONTENT", "clean"}})},
                             kAfter)));
    out.push_back(Board(lang + "delete-pass", lines({"USEDELETEPASS=1", "USEDELETE=1"}),
                        Then({Content("no password"), Post(0, {{"PASSWORD", "dp"}, {"CONTENT", "with one"}}),
                              Post(0, {{"PASSWORD", ""}, {"CONTENT", "empty one"}})},
                             kAfter)));
    for (int mode : {1, 2, 3, 4}) {
      out.push_back(
          Board(lang + "default-" + std::to_string(mode),
                lines({"USEDEFAULT=" + std::to_string(mode), "UNNAME=nobody", "UNTITLE=untitled", "ADDHEAD=> "}),
                Then({Get("test", 10, 0, 0), Get("test", 10, 2, 4), Post(0, {{"CONTENT", "neither"}}),
                      Post(0, {{"NAME", "named"}, {"CONTENT", "no title"}}),
                      Post(0, {{"TITLE", "titled"}, {"CONTENT", "no name"}}),
                      Post(0, {{"NAME", "both"}, {"TITLE", "both"}, {"CONTENT", "both"}})},
                     kAfter)));
    }
    out.push_back(Board(lang + "crlf-cut", lines({"CRLFCUT=1"}),
                        Then({Content("text\r\n\r\n\r\n"), Content("\r\n"), Content("\r\nlead\r\n")}, kAfter)));
    out.push_back(
        Board(lang + "read-only", lines({"READONLY=1", "PASSWORD=X", "USEDELETE=1"}),
              Then({Get("test", 10, 0, 0), Get("test", 10, 1, 4), Get("test", 10, 1, 3), Content("no control password"),
                    Post(0, {{"PASSWORD2", "wrong"}, {"CONTENT", "wrong one"}}),
                    Post(0, {{"PASSWORD2", "admin-pw"}, {"NAME", "owner"}, {"CONTENT", "by the owner"}}),
                    Post(1, {{"PASSWORD2", "admin-pw"}, {"CONTENT", "owner's reply"}})},
                   kAfter)));
    out.push_back(Board(lang + "read-only-no-password", lines({"READONLY=1"}),
                        Then({Content("refused"), Post(0, {{"PASSWORD2", ""}, {"CONTENT", "empty"}})}, kAfter)));
    out.push_back(Board(
        lang + "mail", lines({"USEMAIL=1", "USEURL=1"}),
        Then(
            {Post(0, {{"EMAIL", "no-at-sign"}, {"CONTENT", "x"}}),
             With(Post(0, {{"EMAIL", "x"}, {"CONTENT", "x"}}), "HTTP_REFERER", "http://h/\"><script>alert(1)</script>"),
             Post(0, {{"EMAIL", ""}, {"CONTENT", "no mail"}}), Post(0, {{"EMAIL", "a@b"}, {"CONTENT", "mail"}})},
            kAfter)));
    out.push_back(
        Board(lang + "cookies",
              lines({"USECOOKIE=1", "COOKIEDELETE=1", "USEMAIL=1", "USEURL=1", "USEAGE=1", "USESEX=1", "USEADDRESS=1"}),
              {Post(0, {{"NAME", "kept"}, {"EMAIL", "k@x"}, {"CONTENT", "temporary cookies"}}),
               With(Post(0, {{"NAME", "pathed"}, {"CONTENT", "cookie path"}}), "HTTP_REFERER",
                    "http://bbs.example.jp/deep/folder/kiroq.exe?test+10+0+1"),
               With(Post(0, {{"NAME", "x"}, {"CONTENT", "no referer"}}), "HTTP_REFERER", kUnset)}));
    out.push_back(Board(lang + "too-large", lines({}),
                        {Raw({"test", "10", "0", "9"}, std::string(5 * 1024 * 1024 + 1, 'z'), "", "5MB+1 of z"),
                         Raw({"test", "10", "1", "3"}, std::string(5 * 1024 * 1024, 'z'), "", "5MB of z")}));
  }
  return out;
}

std::vector<Scenario> MemberScenarios() {
  std::vector<Scenario> out;
  for (bool ja : {true, false}) {
    const std::string lang = ja ? "ja-" : "en-";
    Lines posting = {"MEMBERSONLY=$DIR/members.txt", "LOGINDAT=$DIR/failed.log", "USEMAIL=1", "USECOOKIE=1"};
    if (ja) posting = Ja(posting);
    out.push_back(Board(
        lang + "member-posts", posting,
        Then({Get("test", 10, 0, 0), Get("test", 10, 1, 4), Get("test", 10, 0, 11), Content("no member"),
              Post(0, {{"MEMID", "guest"}, {"MEMPASS", "wrong"}, {"CONTENT", "wrong password"}}),
              Post(0, {{"MEMID", "guest"}, {"MEMPASS", "guest-pass"}, {"NAME", "ignored"}, {"CONTENT", "member"}}),
              Post(1, {{"MEMID", "TARO"}, {"MEMPASS", "taro-pw"}, {"COOKIE", "on"}, {"CONTENT", "reply"}}),
              Post(0, {{"MEMID", "only"}, {"MEMPASS", "two"}, {"CONTENT", "short line"}}),
              Post(0, {{"MEMID", "guest"}, {"MEMPASS", "GUEST-PASS"}, {"CONTENT", "case of password"}})},
             kAfter)));
    for (bool use_cookie : {false, true}) {
      Lines gate = {"MEMBERSONLY=$DIR/members.txt", "MEMBERREADONLY=1"};
      if (ja) gate = Ja(gate);
      if (use_cookie) gate.insert(gate.end(), {"USECOOKIE=1", "COOKIEDELETE=1"});
      if (!use_cookie) gate.push_back("LOGINDAT=$DIR/failed.log");
      auto login = [](int action, const std::string& id, const std::string& pw) {
        return Form("test", 1, action, {{"CONFMEMID", id}, {"CONFMEMPASS", pw}, {"DONE", "FCONFMEM"}});
      };
      std::vector<Call> calls;
      for (int action : {0, 1, 2, 3, 11, 12, 30, 99, 158}) calls.push_back(Get("test", 10, 1, action));
      calls.push_back(Words({"test", "x\"><b>", "", "3"}));
      calls.push_back(login(3, "guest", "wrong"));
      calls.push_back(login(3, "nobody", ""));
      calls.push_back(login(3, "guest", "guest-pass"));
      calls.push_back(login(158, "Taro", "taro-pw"));
      calls.push_back(Form("test", 1, 3, {{"DONE", "OTHER"}, {"CONFMEMID", "guest"}}));
      for (int action : {1, 2, 3, 11}) calls.push_back(Cookie(Get("test", 10, 1, action), "MEMID=guest"));
      calls.push_back(Cookie(Get("test", 10, 1, 3), "MEMID="));
      calls.push_back(Cookie(Post(0, {{"MEMID", "guest"}, {"MEMPASS", "guest-pass"}, {"CONTENT", "gated post"}}),
                             "MEMID=guest; MEMPASS=guest-pass"));
      Scenario s = Board(lang + "member-gate" + (use_cookie ? "-cookie" : ""), gate, calls);
      if (!ja) {
        auto prepare = s.prepare;
        s.prepare = [prepare](BoardFixture& b) {
          prepare(b);
          b.File(".LOGINERR", "<P>Ask the owner.\r\n</CENTER></BODY></HTML>");
        };
      }
      out.push_back(s);
    }
  }
  return out;
}

std::vector<Scenario> AdminScenarios() {
  std::vector<Scenario> out;
  auto admin = [](const Fields& more, const std::string& password = "admin-pw", bool mobile = false) {
    Fields fields = {{"PASSWORD2", password}};
    fields.insert(fields.end(), more.begin(), more.end());
    return Form("test", 0, 98, fields, mobile);
  };
  for (const char* lang : {"ja", "en", "mobile"}) {
    const bool mobile = std::string(lang) == "mobile";
    Lines settings = {"PASSWORD=X", "BBSMAN=1", "DELETEVISIBLE=1", "USEMAIL=1", "USEURL=1", "USEIMAGEURL=1"};
    if (std::string(lang) != "en") settings = Ja(settings);
    if (mobile) settings.push_back("IMODE=1");
    std::vector<Call> calls = {Get("test", 10, 0, 99), Get("test", 10, 3, 99), admin({}, "wrong", mobile),
                               admin({}, "", mobile), admin({{"DELPOS", "1"}}, "admin-pw ", mobile)};
    for (const Fields& f : std::vector<Fields>{{{"DELPOS", "1"}},
                                               {{"DELPOS", "2,4-6"}},
                                               {{"UNDELPOS", "1,5"}},
                                               {{"LOOKPOS", "7"}},
                                               {{"LOOKPOS", "11"}},
                                               {{"LOOKPOS", "99"}},
                                               {{"LOOKPOS", "x"}},
                                               {{"DELPOS", "abc"}},
                                               {{"DELPOS", "0"}},
                                               {{"DELPOS", "3,15"}},
                                               {{"UNDELPOS", "6-4"}},
                                               {{"DELPOS", "8"}, {"UNDELPOS", "8"}, {"LOOKPOS", "8"}},
                                               {}}) {
      calls.push_back(admin(f, "admin-pw", mobile));
    }
    calls = Then(calls, {{0, 1}, {0, 2}, {0, 11}, {2, 3}, {5, 12}});
    out.push_back(Board(std::string("admin-") + lang, settings, calls));
  }
  // Where the password file is found, and boards that have none.
  struct Place {
    const char* name;
    const char* setting;
    const char* file;  // below the folder; "" for none
  };
  for (const Place& p : {Place{"upper", "PASSWORD=X", "drive-x/KIRPASS/test.PWD"},
                         Place{"lower", "PASSWORD=x", "drive-x/kirpass/test.pwd"},
                         Place{"old-form", "PASSWORD=X", "drive-x/kirpasstestpwd"}, Place{"no-file", "PASSWORD=X", ""},
                         Place{"no-drive", "PASSWORD=", "drive-x/KIRPASS/test.PWD"},
                         Place{"two-letters", "PASSWORD=XY", "drive-x/KIRPASS/test.PWD"},
                         Place{"other-drive", "PASSWORD=Q", "drive-x/KIRPASS/test.PWD"}}) {
    const std::string file = p.file;
    const Lines settings = {"JAPANESE=1", p.setting, "READONLY=1"};
    Scenario s{std::string("password-") + p.name,
               "test",
               {{"KIROQ_DRIVE_Q", "$DIR/drive-q/"}},
               nullptr,
               {admin({{"LOOKPOS", "1"}}, "elsewhere"), admin({{"LOOKPOS", "1"}}),
                Post(0, {{"PASSWORD2", "elsewhere"}, {"CONTENT", "control"}}),
                Post(0, {{"PASSWORD2", "admin-pw"}, {"CONTENT", "control"}})}};
    s.prepare = [file, settings](BoardFixture& b) {
      PrepareBoard(b, Profile{"", settings});
      std::remove((b.dir().path() + "drive-x/KIRPASS/test.PWD").c_str());
      if (!file.empty()) b.dir().Write(file, "elsewhere\nadmin-pw\n");
      b.dir().Write("drive-q/KIRPASS/test.PWD", "admin-pw");
    };
    out.push_back(s);
  }
  return out;
}

std::vector<Scenario> AttachmentScenarios() {
  std::vector<Scenario> out;
  auto part = [](const std::string& disposition, const std::string& bytes) {
    return "Content-Disposition: form-data; " + disposition + "\r\nContent-Type: application/octet-stream\r\n\r\n" +
           bytes;
  };
  auto upload = [&](int number, const std::string& password, const std::string& file_name,
                    const std::string& bytes = std::string("\x89PNG\r\n\x1A\n\0data", 12)) {
    std::string body = std::string("--") + kBoundary + "\r\n" +
                       "Content-Disposition: form-data; name=\"UPPASSWORD\"\r\n\r\n" + password + "\r\n--" + kBoundary +
                       "\r\n" + part("name=\"UPLOADFILE\"; filename=\"" + file_name + "\"", bytes) + "\r\n--" +
                       kBoundary + "--\r\n";
    return Raw({"test", "10", std::to_string(number), "21"}, body,
               std::string("multipart/form-data; boundary=") + kBoundary,
               "upload:" + password + ":" + file_name + ":" + std::to_string(bytes.size()) + "B");
  };
  for (const char* lang : {"ja", "en", "mobile", "off"}) {
    const std::string l = lang;
    Lines settings = {"FILEUPLOAD=1", "USEDELETE=1", "USEDATE=1"};
    if (l != "en") settings = Ja(settings);
    if (l == "mobile") settings.push_back("IMODE=1");
    if (l == "off") settings = {"JAPANESE=1", "USEDELETE=1"};
    std::vector<Call> calls;
    for (int action : {20, 21, 22, 23}) {
      for (int number : {0, 1, 2, 14, 15}) calls.push_back(Get("test", 10, number, action));
    }
    calls.push_back(Cookie(Get("test", 10, 2, 20), "PWD=pw2"));
    calls.push_back(upload(2, "pw2", "C:\\My Documents\\notes.txt", "v1"));
    calls.push_back(upload(2, "wrong", "other.txt"));
    calls.push_back(upload(3, "", "nopass.txt"));
    calls.push_back(upload(2, "pw2", "/home/u/notes.txt", "v2 replaces v1"));
    calls.push_back(upload(4, "pw4", std::string(sjis::kTrailBackslash) + ".txt"));
    calls.push_back(upload(6, "pw6", ".."));
    calls.push_back(upload(6, "pw6", ".htaccess"));
    calls.push_back(upload(6, "pw6", std::string(100, 'n') + ".txt"));
    calls.push_back(upload(6, "pw6", ""));
    calls.push_back(upload(7, "pw7", "a b&c<d>.html", "<script>alert(1)</script>"));
    calls.push_back(upload(99, "pw99", "far.txt"));
    calls.push_back(Raw({"test", "10", "8", "21"},
                        std::string("--") + kBoundary +
                            "\r\nContent-Disposition: form-data; name=\"UPPASSWORD\"\r\n\r\npw8\r\n--" + kBoundary +
                            "--\r\n",
                        std::string("multipart/form-data; boundary=") + kBoundary, "upload without a file part"));
    for (int number : {1, 2, 4, 7}) {
      for (int action : {22, 22, 23, 3}) calls.push_back(Get("test", 10, number, action));
    }
    calls.push_back(With(With(Get("test", 10, 2, 22), "HTTPS", "on"), "SERVER_PORT", "8443"));
    calls.push_back(With(With(Get("test", 10, 2, 22), "REQUEST_SCHEME", "https"), "SERVER_NAME", "::1"));
    calls.push_back(With(Get("test", 10, 2, 22), "SCRIPT_NAME", "kiroq.exe"));
    calls.push_back(With(Get("test", 10, 4, 23), "HTTP_USER_AGENT", "Mozilla/4.0 (compatible; MSIE 6.0)"));
    calls = Then(calls, {{0, 11}, {2, 12}, {0, 1}, {0, 2}});
    Scenario s = Board("attach-" + l, settings, calls);
    auto prepare = s.prepare;
    s.prepare = [prepare](BoardFixture& b) {
      prepare(b);
      // A counter file of another form, and an attachment whose file is missing.
      b.dir().Write("bbsdb/test/test4.txt", "not a number\r\nkept line\r\n");
      b.dir().Write("bbsdb/test/test1.txt", "2147483647\r\n");
    };
    out.push_back(s);
  }
  return out;
}

}  // namespace kiroq::corpus
