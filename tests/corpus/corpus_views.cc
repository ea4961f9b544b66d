// The request tables crossed with the kinds of board: every page of a
// seeded board, then posting, deleting and personal settings in sequence.
#include "corpus.h"

namespace kiroq::corpus {

namespace {

// The dispatch table's codes, codes it does not know, and codes that wrap
// around the action byte.
const int kActionCodes[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,  12,  13,  14,  15,  16, 19, 20,  21,
                            22, 23, 24, 30, 31, 32, 33, 40, 97, 98, 99, 100, 128, 158, 255, 256, -1, -9, -100};
const int kArticleNumbers[] = {0, 1, 5, 7, 14, 15, -1};
const std::pair<int, int> kListPages[] = {{10, 0}, {10, 1}, {3, 0}, {3, 7}, {3, -1}, {0, 0}, {-5, 2}, {100000, 0}};
const char* const kViewCookies[] = {"BROWSCOUNT=4", "TREET=1", "TREET=0", "TREET2=1", "TREET2=0"};

// Every page a reader can ask for, without writing to the board (apart from
// the folders a first request creates).
std::vector<Call> Views(const std::string& b, bool mobile) {
  std::vector<Call> calls;
  for (int action : kActionCodes) calls.push_back(Get(b, 10, 2, action));
  calls.push_back(Words({b, "10", "2", "abc"}));
  calls.push_back(Words({b, "10", "2"}));
  calls.push_back(Words({b}));
  for (int action : {3, 4, 5, 12, 15}) {
    for (int number : kArticleNumbers) calls.push_back(Get(b, 10, number, action));
  }
  for (int action : {1, 2, 11}) {
    for (auto [size, number] : kListPages) calls.push_back(Get(b, size, number, action));
  }
  for (const char* cookie : kViewCookies) {
    for (int action : {1, 2}) calls.push_back(Cookie(Get(b, 10, 0, action), cookie));
  }
  calls.push_back(Cookie(Get(b, 10, 0, 11), "TREET=1; TREET2=1; BROWSCOUNT=2"));
  const std::string remembered = "NAME=kept; EMAIL=k@example.jp; URL=http://k.example.jp/; PWD=pw1; AGE=20; SEX=x";
  for (int action : {0, 4, 20, 30}) calls.push_back(Cookie(Get(b, 10, 1, action), remembered));
  // Telephones known by their browser's name.
  for (const char* agent : {"KDDI-SA31 UP.Browser/6.2.0.7.3.129 (GUI) MMP/2.0", "docomo/2.0 N905i"}) {
    for (int action : {0, 1}) calls.push_back(With(Get(b, 10, 0, action), "HTTP_USER_AGENT", agent));
  }
  for (const char* word : {"tanuki", "TANUKI", sjis::kTitle, "nothing", "", "<b>", "line 2", "http"}) {
    calls.push_back(Form(b, 0, 10, {{"SEARCHWORD", word}}, mobile));
  }
  return calls;
}

// Posts accepted and refused, then the pages that show them, deletion by
// the posters, and personal settings.
std::vector<Call> Writes(const std::string& b, bool m) {
  std::vector<Call> calls;
  auto post = [&](int number, int action, const Fields& fields) {
    calls.push_back(Form(b, number, action, fields, m));
  };
  std::string long_name;
  for (int i = 0; i < 30; ++i) long_name += sjis::kTaro;
  post(0, 9,
       {{"NAME", "Poster"},
        {"EMAIL", "p@example.jp"},
        {"TITLE", "New thread"},
        {"URL", "http://p.example.jp/"},
        {"IMAGEURL", "http://p.example.jp/i.png"},
        {"SEX", sjis::kMale},
        {"AGE", "30"},
        {"ADDRESS1", sjis::kTokyo},
        {"PASSWORD", "pp"},
        {"COOKIE", "on"},
        {"CONTENT", std::string("First line\r\n") + sjis::kBody + "\r\nhttp://p.example.jp/x konnichiha\r\n"}});
  post(1, 9, {{"NAME", "Replier"}, {"TITLE", "Re:04 First thread"}, {"PASSWORD", "rp"}, {"CONTENT", "to one"}});
  post(15, 9, {{"NAME", "Second"}, {"TITLE", "Re:01 New thread"}, {"CONTENT", "to fifteen\r\n> quoted"}});
  post(17, 9, {{"NAME", "Third"}, {"CONTENT", "reply of a reply"}, {"COOKIE", "on"}});
  post(99, 9, {{"NAME", "Lost"}, {"TITLE", "no such parent"}, {"CONTENT", "becomes a top"}});
  post(0, 6, {{"NAME", "Six"}, {"TITLE", "posted with six"}, {"CONTENT", "then the list"}});
  post(0, 9, {{"NAME", "Empty"}, {"CONTENT", ""}});
  post(0, 9, {{"NAME", "Missing"}, {"TITLE", "no content field"}});
  post(0, 9, {{"NAME", "Breaks"}, {"CONTENT", "\r\n\r\n"}});
  post(0, 9, {{"NAME", "Mail"}, {"EMAIL", "no-at-sign"}, {"CONTENT", "bad mail"}});
  post(0, 9,
       {{"NAME", "<script>x</script>"},
        {"TITLE", "a\r\nX-Injected: 1"},
        {"EMAIL", "a\"b@c"},
        {"URL", "\"><script>"},
        {"CONTENT", "<b>markup</b> & more\r\n<script>alert(2)</script>"}});
  post(0, 9,
       {{"NAME", long_name},
        {"TITLE", std::string(300, 't')},
        {"PASSWORD", std::string(50, 'p')},
        {"CONTENT", std::string(20000, 'c')}});
  post(2, 9, {{"NAME", "Roman"}, {"CONTENT", "romaji: konnichiha sayounara"}, {"COOKIE", "off"}});
  for (auto [number, action] : std::vector<std::pair<int, int>>{
           {0, 1}, {0, 2}, {0, 11}, {1, 12}, {15, 3}, {15, 5}, {17, 4}, {15, 12}, {24, 3}, {0, 9}}) {
    calls.push_back(Get(b, 10, number, action));
  }
  // Deletion by the poster: the cookie password, the typed one.
  calls.push_back(Cookie(Get(b, 10, 1, 8), "PWD=pw1"));
  calls.push_back(Cookie(Get(b, 10, 1, 8), "PWD=pw1"));  // restores
  calls.push_back(Cookie(Get(b, 10, 2, 8), "PWD=wrong"));
  calls.push_back(Cookie(Get(b, 10, 3, 8), "PWD="));
  post(2, 14, {{"DELPASSWORD", "pw2"}});
  post(2, 14, {{"DELPASSWORD", "wrong"}});
  post(15, 14, {{"DELPASSWORD", "pp"}});
  post(99, 14, {{"DELPASSWORD", "x"}});
  for (auto [number, action] : std::vector<std::pair<int, int>>{{15, 15}, {0, 1}, {0, 2}, {0, 11}, {1, 12}}) {
    calls.push_back(Get(b, 10, number, action));
  }
  // Personal settings: the form, storing, the pages with them, clearing.
  const std::string settings = "BROWSCOUNT=3; TREET=1; TREET2=1";
  calls.push_back(Words({b, "10", "0", "30", "2"}));
  post(0, 32, {{"BROWSCOUNT", "3"}, {"TREET", "1"}, {"TREET2", "1"}, {"TT", "2"}});
  for (int action : {30, 2, 1, 11}) calls.push_back(Cookie(Get(b, 10, 0, action), settings));
  post(0, 32, {{"BROWSCOUNT", "x;path=/"}, {"TREET", ""}, {"TREET2", "0"}, {"TT", "11"}});
  calls.push_back(Get(b, 10, 0, 31));
  return calls;
}

std::vector<Scenario> Crossed(const std::vector<Profile>& profiles,
                              std::vector<Call> (*table)(const std::string&, bool)) {
  std::vector<Scenario> out;
  for (const Profile& p : profiles) {
    out.push_back({p.name, p.board, p.vars, [p](BoardFixture& b) { PrepareBoard(b, p); }, table(p.board, p.mobile)});
  }
  return out;
}

}  // namespace

std::vector<Scenario> ViewScenarios() { return Crossed(Profiles(), Views); }

std::vector<Scenario> PostingScenarios() {
  return Crossed(ProfilesNamed({"ja-full", "en-full", "ja-imode", "en-imode-agent", "ja-templates", "en-plain",
                                "ja-closed", "ja-markup", "en-colours", "en-list"}),
                 Writes);
}

}  // namespace kiroq::corpus
