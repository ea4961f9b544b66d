// Damaged boards and hostile requests: index records that point anywhere,
// cut files, broken templates; odd board names, numbers, cookies, bodies
// and environment values.
#include <climits>
#include <cstdio>
#include <random>

#include "corpus.h"

namespace kiroq::corpus {

namespace {

using Lines = std::vector<std::string>;
using Damage = std::function<void(BoardFixture&)>;

// A record for body bytes start..end of the log.
IndexRecord At(int32_t start, int32_t end, int32_t parent = 0) {
  IndexRecord r = SampleRecord("damaged", "poster", parent);
  r.body_start = start;
  r.body_end = end;
  r.password = "pw";
  return r;
}

IndexRecord WithChildren(IndexRecord r, const std::vector<int32_t>& children, int32_t count) {
  for (std::size_t i = 0; i < children.size() && i < r.children.size(); ++i) r.children[i] = children[i];
  r.child_count = count;
  return r;
}

Damage Records(std::vector<IndexRecord> recs, std::string tail = "") {
  return [recs, tail](BoardFixture& b) {
    std::string index;
    for (const IndexRecord& r : recs) index += EncodeRecord(r);
    b.dir().Write("bbsdb/test.idx", index + tail);
  };
}

// Template lines that end inside a tag, tags never closed, lines of nothing
// but tag openers.
std::string BrokenTemplate() {
  return "<POSTNAME\r\n<POSTMESSAGE\r\n<\r\n<<<<POSTTITLE>\r\n<POSTACTION>\r\n<POSTACTIONEND>\r\n<TREEMENU"
         "\r\n<POSTNUMBER><RESMENU><DELETEMENU><UPLOADFILE><ALLMENU><MOVEMENU><POSTMENU\r\n" +
         std::string(1000, '<') + "\r\n<POSTDATE><POSTMAIL" + std::string(2000, 'x') + "\r\n<POSTMESS";
}

std::vector<std::pair<std::string, Damage>> Damages() {
  const int32_t log_size = 300;  // past the end of the seeded log, whatever it holds
  return {
      {"random-index",
       [](BoardFixture& b) {
         std::mt19937 rng(99);
         std::string index(4 * kRecordSize + 100, '\0');
         for (char& c : index) c = static_cast<char>(rng());
         PutInt32(index.data() + 3 * kRecordSize + record_layout::kParent, 0);
         b.dir().Write("bbsdb/test.idx", index);
       }},
      {"offsets-outside-log", Records({At(-5, 3), At(0, INT_MAX), At(10, 5), At(log_size, log_size),
                                       At(INT_MIN, INT_MAX), At(5000, 5001), At(INT_MAX, INT_MAX), At(-1, -1)})},
      {"parents-out-of-range", Records({At(0, 3, -1), At(0, 3, INT_MAX), At(0, 3, INT_MIN), At(0, 3, 4), At(0, 3, 5),
                                        At(0, 3, 7), At(0, 3, 0)})},
      {"child-cycles",
       Records({WithChildren(At(0, 3), {1}, 1), WithChildren(At(0, 3, 1), {0, 1, 2}, 3),
                WithChildren(At(0, 3, 2), {1, 0}, 2), WithChildren(At(0, 3, 4), {3}, INT_MAX),
                WithChildren(At(0, 3), {-1, INT_MAX, INT_MIN, 4}, -7),
                WithChildren(At(0, 3), std::vector<int32_t>(101, 0), 101), WithChildren(At(0, 3), {}, 0)})},
      {"partial-last-record",
       [](BoardFixture& b) { b.dir().Write("bbsdb/test.idx", b.IndexBytes() + b.IndexBytes().substr(0, 700)); }},
      {"reply-left-out",
       [](BoardFixture& b) { b.dir().Write("bbsdb/test.idx", b.IndexBytes() + EncodeRecord(At(0, 3, 1))); }},
      {"log-cut-short", [](BoardFixture& b) { b.dir().Write("bbsdb/test.log", b.LogBytes().substr(0, 20)); }},
      {"empty-files",
       [](BoardFixture& b) {
         b.dir().Write("bbsdb/test.idx", "");
         b.dir().Write("bbsdb/test.log", "");
       }},
      {"files-are-folders",
       [](BoardFixture& b) {
         std::remove((b.dir().path() + "bbsdb/test.idx").c_str());
         b.dir().Write("bbsdb/test.idx/inside", "x");
       }},
      {"upper-case-files",
       [](BoardFixture& b) {
         std::rename((b.dir().path() + "bbsdb/test.idx").c_str(), (b.dir().path() + "bbsdb/test.IDX").c_str());
         std::rename((b.dir().path() + "bbsdb/test.log").c_str(), (b.dir().path() + "bbsdb/test.LOG").c_str());
       }},
      {"broken-templates",
       [](BoardFixture& b) {
         for (const char* ext : {".mes", ".post", ".repost", ".HED", ".FOT", ".LOGINERR"})
           b.File(ext, BrokenTemplate());
       }},
      {"odd-settings",
       [](BoardFixture& b) {
         b.Settings({"JAPANESE=1",       "SUBJECTLENGTH=-5", "VIEWLIMIT=2147483647",
                     "TIMETYPE=99",      "TIMECOLOR=-3",     "VIEWSELECT=99",
                     "BORDERLINE=-1",    "USEAGE=99",        "USEDEFAULT=-1",
                     "IMODE=99",         "NEWPOSTSORT=1",    "TREECLOSE=1",
                     "ROWSSIZE=-1",      "PASSWORD=../../x", " USEDATE=1",
                     "usedelete=1",      "UseMail=1",        "USEMAIL=0",
                     "USEURL=yes",       "USEDATE=2",        "=1",
                     "CHECKSTRINGSTART", "CHECKSTRINGEND"});
       }},
      {"long-settings",
       [](BoardFixture& b) {
         const std::string big(1 << 16, 'v');
         b.Settings({"USEDEFAULT=2", "UNNAME=" + big, "UNTITLE=" + big, "ADDHEAD=" + big, "CELLPADDING=" + big,
                     "NAMESIZE=" + big, "TIMECOLOR=1", "USEDATE=1", "DATECOLOR=" + big, std::string(1 << 17, 'n'),
                     "CHECKSTRINGSTART", std::string(1000, 'w'), "CHECKSTRINGEND", "CANCELDOMAINLISTSTART",
                     std::string(1000, 'd')});
       }},
      {"no-settings", [](BoardFixture& b) { std::remove((b.dir().path() + "test.ini").c_str()); }},
  };
}

const char* const kDamagedNumbers[] = {"0", "1", "2", "4", "7", "9", "2147483647"};

std::vector<Call> DamagedViews(bool mobile) {
  std::vector<Call> calls;
  for (const char* action : {"3", "4", "12"}) {
    for (const char* number : kDamagedNumbers) calls.push_back(Words({"test", "10", number, action}));
  }
  for (const char* action : {"1", "2", "11"}) {
    for (const char* number : {"0", "1"}) calls.push_back(Words({"test", "3", number, action}));
  }
  calls.push_back(Form("test", 0, 10, {{"SEARCHWORD", "a"}}, mobile));
  calls.push_back(Cookie(Get("test", 10, 2, 8), "PWD=wrong"));
  calls.push_back(Form("test", 2, 14, {{"DELPASSWORD", "wrong"}}, mobile));
  calls.push_back(Form("test", 0, 98, {{"PASSWORD2", "admin-pw"}, {"LOOKPOS", "2"}}, mobile));
  calls.push_back(Form("test", 0, 9, {{"NAME", "after"}, {"CONTENT", "after the damage"}}, mobile));
  calls.push_back(Form("test", 1, 9, {{"NAME", "after"}, {"CONTENT", "a reply after the damage"}}, mobile));
  for (const char* action : {"1", "2", "11"}) calls.push_back(Words({"test", "10", "0", action}));
  return calls;
}

// Text that carries markup, a line break followed by a header line and a
// path, cut or padded to n bytes.
std::string HostileValue(const std::string& prefix, std::size_t n) {
  std::string v = prefix + "<script>kiroqhostile\r\nX-Kiroqhostile: 1\r\n/kiroqhostile/";
  v.resize(n, 'x');
  return v + "/kiroq.exe";
}

// A multipart body made by hand with this file's boundary.
std::string JoinedParts(const std::vector<std::string>& parts, bool closed = true) {
  return kiroq::JoinedParts(kBoundary, parts, closed);
}

Call Multipart(const std::string& body, const std::string& note) {
  return Raw({"test", "10", "0", "9"}, body, std::string("multipart/form-data; boundary=") + kBoundary, note);
}

const char* const kNumberWords[] = {
    "-1", "-2147483648", "2147483647", "99999999999999999999", "abc", "", " 7", "0x10", "1e9", "-0", "+3", "3abc"};

std::vector<Call> HostileNames() {
  std::vector<Call> calls;
  for (const std::string name : {"..", "../../kiroqhostile", "/tmp/kiroqhostile", "bbsdb/../test", "test/", ".",
                                 "<script>kiroqhostile", "%2e%2e", " test", "TEST", "missing", "", "te st"}) {
    for (const char* action : {"1", "11", "21", "22"}) calls.push_back(Words({name, "10", "1", action}));
    calls.push_back(Form({name, "10", "0", "9"}, {{"CONTENT", "escaped"}}));
  }
  calls.push_back(Words({std::string(5000, 'a'), "10", "1", "1"}));
  calls.push_back(Words({}));
  for (const char* q : {"test+10+1+3", "test+10+1+3+extra", "%74est+10+1+3", "test+10+1", "test", "", "test=1+10+0+1",
                        "test+%31%30+1+3", "..%2F..%2Fkiroqhostile+10+1+1", "test+10+1+%33", "test++1+3",
                        "test+10+1+3%00", "test%00+10+1+1", "%3Cscript%3E+10+1+1", "test+10+1+30+2%22%3E"}) {
    calls.push_back(Query(q));
  }
  calls.push_back(With(Words({"test", "10", "1", "3"}), "QUERY_STRING", "test+10+2+3"));
  return calls;
}

std::vector<Call> HostileNumbers() {
  std::vector<Call> calls;
  for (const char* word : kNumberWords) {
    for (const char* action : {"1", "2", "11"}) calls.push_back(Words({"test", word, "1", action}));
    for (const char* action : {"3", "4", "12"}) calls.push_back(Words({"test", "10", word, action}));
    calls.push_back(Words({"test", "10", "1", word}));
  }
  for (const char* action : {"-256", "257", "-2147483649", "2147483648"})
    calls.push_back(Words({"test", "10", "1", action}));
  for (const char* number : {"-1", "99999999999999999999", "abc", "40"}) {
    calls.push_back(Form({"test", "10", number, "9"}, {{"CONTENT", std::string("reply to ") + number}}));
  }
  return calls;
}

std::vector<Call> HostileCookies() {
  std::vector<Call> calls;
  const std::string big = "NAME=<script>kiroqhostile" + std::string(20000, 'a') + "; PWD=pw1; BROWSCOUNT=3; TREET=0";
  for (int action : {0, 1, 2, 3, 8, 11, 30}) calls.push_back(Cookie(Get("test", 10, 1, action), big));
  for (const char* count : {"-99999999999999999999", "abc", "2147483647", "-2147483648", "1e9", " 5"}) {
    for (int action : {1, 2, 30}) {
      calls.push_back(Cookie(Get("test", 10, 0, action), std::string("BROWSCOUNT=") + count + "; TREET2=x"));
    }
  }
  for (const char* cookie :
       {"NAME=a\r\nSet-Cookie: x=1; PWD=pw1", "PWD=pw1;PWD=pw2", "pwd=pw1", "  PWD = pw1 ", "XPWD=pw1; PWD=pw3",
        "NAME=%3Cb%3E; EMAIL=\"><script>; URL=javascript:x", ";;;=;", "TREET=; TREET2=", "MEMID=guest"}) {
    for (int action : {0, 8}) calls.push_back(Cookie(Get("test", 10, 1, action), cookie));
  }
  return calls;
}

std::vector<Call> HostileEnvironment() {
  std::vector<Call> calls;
  auto long_env = [](Call c) {
    c = With(c, "HTTP_REFERER", HostileValue("http://localhost/bbs/", 20000));
    c = With(c, "HTTP_USER_AGENT", HostileValue("Mozilla/5.0 ", 5000));
    c = With(c, "REMOTE_HOST", HostileValue("host.", 5000));
    c = With(c, "REMOTE_ADDR", HostileValue("127.0.0.1", 5000));
    c = With(c, "SCRIPT_NAME", HostileValue("/bbs/", 5000));
    c = With(c, "SERVER_NAME", HostileValue("localhost", 5000));
    return With(With(c, "SERVER_PORT", HostileValue("80", 2000)), "REQUEST_SCHEME", HostileValue("https", 2000));
  };
  for (int action : {0, 1, 3, 4, 11, 15, 20, 22, 23, 30, 31, 99}) calls.push_back(long_env(Get("test", 10, 1, action)));
  calls.push_back(long_env(Form("test", 0, 9, {{"COOKIE", "on"}, {"CONTENT", "long env"}})));
  calls.push_back(long_env(Form("test", 0, 9, {{"EMAIL", "no-at-sign"}, {"CONTENT", "refused"}})));
  calls.push_back(long_env(Form("test", 1, 32, {{"BROWSCOUNT", "5"}, {"TT", "1"}})));
  for (const char* var :
       {"REMOTE_ADDR", "REMOTE_HOST", "HTTP_REFERER", "HTTP_USER_AGENT", "SERVER_NAME", "SCRIPT_NAME"}) {
    calls.push_back(
        With(Form("test", 0, 9, {{"COOKIE", "on"}, {"CONTENT", std::string("without ") + var}}), var, kUnset));
  }
  return calls;
}

std::vector<Call> HostileBodies() {
  std::vector<Call> calls;
  const std::string b = std::string("--") + kBoundary;
  calls.push_back(Multipart(JoinedParts({Part("CONTENT", "cut short")}, false), "unclosed"));
  calls.push_back(
      Multipart(JoinedParts({Part("CONTENT", "whole"), Part("TITLE", "cut")}, false), "unclosed after content"));
  for (const std::string& body :
       {b, b + "\r\n", std::string("--"), std::string("x"), b + "\r\nContent-Disposition: form-data; name=\"",
        b + "\r\n" + Part("CONTENT", "") + "\r\n"}) {
    calls.push_back(Multipart(body, "fragment"));
  }
  calls.push_back(
      Multipart(JoinedParts({Part("CONTENT", "a line with " + b + " inside\r\nx" + b + "--")}), "delimiter inside"));
  calls.push_back(
      Multipart(JoinedParts({Part("CONTENT", "before\r\n-----------------------------fake\r\nafter")}), "dashes"));
  calls.push_back(Multipart(JoinedParts({Part("CONTENT", "kept\r\n" + b + "\r\nnot a header")}), "delimiter ends it"));
  for (const char* header :
       {"content-disposition: form-data; name=\"CONTENT\"", "CONTENT-DISPOSITION: FORM-DATA; NAME=\"CONTENT\"",
        "Content-Disposition: form-data; name=CONTENT", "Content-Disposition:form-data;name=\"CONTENT\"",
        "Content-Disposition: form-data; name=\"CONTENT", "Content-Disposition: form-data; name=\"\"",
        "Content-Disposition: form-data; name=\"CONTENT\"; filename=\"x\"; name=\"y\""}) {
    calls.push_back(Multipart(JoinedParts({std::string(header) + "\r\n\r\nspelled"}), header));
  }
  calls.push_back(
      Multipart(b + "\nContent-Disposition: form-data; name=\"CONTENT\"\n\nlf only\n" + b + "--\n", "lf only"));
  calls.push_back(Multipart(JoinedParts({"Content-Type: text/plain\r\n" + Part("CONTENT", "typed")}), "type first"));
  calls.push_back(Multipart(JoinedParts({Part("TITLE%22", "not the title"), Part("CONTENT%0D%0A", "not it"),
                                         Part("CONTENT", "the content"), Part("content", "second, lower case")}),
                            "encoded names"));
  // The delimiter found without a boundary parameter: a line of 29 dashes.
  const std::string dashes = "-----------------------------29dashes";
  calls.push_back(
      Raw({"test", "10", "0", "9"},
          "--" + dashes.substr(2) + "\r\n" + Part("CONTENT", "found by dashes") + "\r\n" + dashes + "--\r\n",
          "multipart/form-data", "boundary from the body"));
  calls.push_back(Raw({"test", "10", "0", "9"}, JoinedParts({Part("CONTENT", "no type")}), "", "no content type"));
  for (const char* length : {"99999999999999999999", "-1", "abc", "", "5242881", "0x20", "10"}) {
    calls.push_back(With(Form("test", 0, 9, {{"CONTENT", std::string("length ") + length}}), "CONTENT_LENGTH", length));
  }
  Call longer = Form("test", 0, 9, {{"CONTENT", "longer than sent"}});
  calls.push_back(With(longer, "CONTENT_LENGTH", std::to_string(longer.body.size() + 1000)));
  Call shorter = Form("test", 0, 9, {{"CONTENT", std::string(3000, 's')}});
  calls.push_back(With(shorter, "CONTENT_LENGTH", std::to_string(shorter.body.size() - 100)));
  const std::string m = "<script>kiroqhostile";
  calls.push_back(Form("test", 1, 9,
                       {{"NAME", m},
                        {"TITLE", m},
                        {"EMAIL", m + "@x"},
                        {"URL", m},
                        {"IMAGEURL", m},
                        {"SEX", m},
                        {"AGE", m},
                        {"ADDRESS1", m},
                        {"PASSWORD", m},
                        {"COOKIE", "on"},
                        {"CONTENT", m + "\r\n" + m}}));
  for (int action : {1, 2, 3, 4, 11, 12}) calls.push_back(Get("test", 10, action == 3 || action == 4 ? 15 : 1, action));
  calls.push_back(Form("test", 0, 10, {{"SEARCHWORD", m}}));
  calls.push_back(Cookie(Get("test", 10, 15, 8), "PWD=" + m));
  calls.push_back(Form("test", 15, 14, {{"DELPASSWORD", m}}));
  return calls;
}

std::vector<Call> MobileBodies() {
  std::vector<Call> calls;
  auto mobile = [](const std::string& body, int action = 9) {
    return Raw({"test", "10", "0", std::to_string(action)}, body, "", "mobile:" + body.substr(0, 40));
  };
  for (const char* body :
       {"NAME=a%zz&TITLE=t%&CONTENT=x%4y%%20z%", "CONTENT=%", "CONTENT=ab%0", "CONTENT=%E3%81%82%26%3D",
        "CONTENT=a%00b", "CONTENT=%%%%%%%%", "%", "%%", "CONTENT", "&&&&=&CONTENT=&", "=CONTENT=x",
        "CONTENT=plus+signs+stay", "NAME=a%0D%0AX-Kiroqhostile:%201&COOKIE=on&PASSWORD=p%0D%0Aw&CONTENT=c",
        "CONTENT=first&CONTENT=second"}) {
    calls.push_back(mobile(body));
  }
  calls.push_back(mobile("BROWSCOUNT=5%0D%0AX-Kiroqhostile:%201&TREET=1%0D%0Ax&TT=2%0D%0Ay", 32));
  calls.push_back(mobile("SEARCHWORD=%8C%9F%8D%F5", 10));
  calls.push_back(mobile("PASSWORD2=admin-pw&LOOKPOS=15", 98));
  calls.push_back(With(mobile("CONTENT=nan"), "CONTENT_LENGTH", "nan"));
  calls.push_back(Raw({"test", "10", "0", "9"}, JoinedParts({Part("CONTENT", "multipart on a telephone")}),
                      std::string("multipart/form-data; boundary=") + kBoundary, "multipart to a mobile board"));
  for (int action : {1, 11, 3}) calls.push_back(Get("test", 10, 15, action));
  return calls;
}

}  // namespace

std::vector<Scenario> DamagedScenarios() {
  std::vector<Scenario> out;
  for (const auto& [name, damage] : Damages()) {
    for (bool ja : {true, false}) {
      Profile p{"", {ja ? "JAPANESE=1" : "JAPANESE=0", "USEDELETE=1", "USEDATE=1", "DELETEVISIBLE=1", "PASSWORD=X"}};
      Damage d = damage;
      out.push_back({(ja ? "ja-" : "en-") + name,
                     "test",
                     {},
                     [p, d](BoardFixture& b) {
                       PrepareBoard(b, p);
                       d(b);
                     },
                     DamagedViews(false)});
    }
  }
  return out;
}

std::vector<Scenario> HostileScenarios() {
  std::vector<Scenario> out;
  const Profile ja = ProfilesNamed({"ja-full"})[0], en = ProfilesNamed({"en-full"})[0];
  const Profile mobile{
      "mobile",
      {"JAPANESE=1", "IMODE=1", "COOKIEDELETE=1", "USECOOKIE=1", "USECOOKIESETTING=1", "PASSWORD=X", "USEMAIL=1"}};
  struct Table {
    const char* name;
    std::vector<Call> (*calls)();
  };
  for (const Table& t :
       {Table{"names", HostileNames}, Table{"numbers", HostileNumbers}, Table{"cookies", HostileCookies},
        Table{"environment", HostileEnvironment}, Table{"bodies", HostileBodies}}) {
    for (const Profile& p : {ja, en}) {
      out.push_back({p.name.substr(0, 2) + "-" + t.name, "test", p.vars, [p](BoardFixture& b) { PrepareBoard(b, p); },
                     t.calls()});
    }
  }
  out.push_back({"mobile-bodies", "test", {}, [mobile](BoardFixture& b) { PrepareBoard(b, mobile); }, MobileBodies()});
  return out;
}

}  // namespace kiroq::corpus
