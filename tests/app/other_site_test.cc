// Requests that another site's page makes a visitor's browser send: every
// action that changes something is refused, and changes nothing; every other
// action answers as if the headers were not there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "board/actions.h"
#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

namespace fs = std::filesystem;

// Every file below the program folder with its bytes.
std::map<std::string, std::string> Files(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::stringstream bytes;
    if (entry.is_regular_file()) bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
    files[fs::relative(entry.path(), root).string()] = bytes.str();
  }
  return files;
}

// A board where each changing action, sent with these fields and cookie,
// would change something: article 1 has password pw1, the board's control
// password is admin.
void Seed(BoardFixture& board, bool japanese) {
  board.Settings({japanese ? "JAPANESE=1" : "JAPANESE=0", "USEDELETE=1", "USECOOKIE=1", "FILEUPLOAD=1",
                  "PASSWORD=admin", "BBSMAN=1"});
  IndexRecord rec = SampleRecord("first");
  rec.password = "pw1";
  board.AddArticle(rec, "body\r\n");
  board.env().vars["HTTP_COOKIE"] = "PWD=pw1";
  board.env().vars["HTTP_REFERER"] = "http://bbs.example/cgi-bin/kiroq.exe?test+10+0+1";
}

std::string Send(BoardFixture& board, int action) {
  return board.Post({board.board(), "10", "1", std::to_string(action)}, {{"NAME", "n"},
                                                                         {"CONTENT", "text"},
                                                                         {"DELPASSWORD", "pw1"},
                                                                         {"UPPASSWORD", "pw1"},
                                                                         {"PASSWORD", "admin"},
                                                                         {"PASSWORD2", "admin"},
                                                                         {"BROWSCOUNT", "5"},
                                                                         {"TT", "1"}});
}

// Post, toggle deletion (cookie, password), store an attachment, clear and
// store personal settings, administrator actions: the actions that write.
const std::set<int> kChangingActions = {6, 8, 9, 14, 21, 31, 32, 98};

const std::map<std::string, std::string> kFromOtherSite[] = {
    {{"HTTP_SEC_FETCH_SITE", "same-site"}, {"HTTP_SEC_FETCH_DEST", "document"}},
    {{"HTTP_SEC_FETCH_SITE", "cross-site"}, {"HTTP_SEC_FETCH_DEST", "document"}},
    {{"HTTP_SEC_FETCH_SITE", "same-origin"}, {"HTTP_SEC_FETCH_DEST", "image"}},
    {{"HTTP_ORIGIN", "http://evil.example"}, {"HTTP_HOST", "bbs.example"}},
};

TEST(OtherSite, EveryChangingActionIsRefusedAndEveryOtherAnswersAsBefore) {
  int refused = 0;
  for (int action = 0; action < 256; ++action) {
    for (const auto& headers : kFromOtherSite) {
      SCOPED_TRACE("action " + std::to_string(action) + " " + headers.begin()->first);
      BoardFixture plain, foreign;
      Seed(plain, action % 2 == 0);
      Seed(foreign, action % 2 == 0);
      for (const auto& [name, value] : headers) foreign.env().vars[name] = value;
      const auto before = Files(foreign.dir().path());
      const std::string out = Send(foreign, action);
      const bool changing = kChangingActions.count(action) > 0;
      EXPECT_EQ(ChangesState(action, false), changing);
      if (changing) {
        ++refused;
        EXPECT_NE(out.find("<H1>KIROQ ERROR</H1>"), std::string::npos) << out;
        EXPECT_EQ(out.find("Set-Cookie"), std::string::npos);
        EXPECT_TRUE(Files(foreign.dir().path()) == before) << "a file changed";
      } else {
        EXPECT_EQ(out, Send(plain, action));
      }
    }
  }
  EXPECT_EQ(refused, 8 * 4);
}

TEST(OtherSite, RefusalSpeaksTheBoardsLanguage) {
  for (bool japanese : {true, false}) {
    BoardFixture board;
    Seed(board, japanese);
    board.env().vars["HTTP_SEC_FETCH_SITE"] = "cross-site";
    const std::string out = board.Get(10, 1, 8);
    const std::string line = japanese ? std::string("他のサイトのページから送られた要求は受け付けられません。"_sj)
                                      : "A request sent from another site's page is not accepted.";
    EXPECT_NE(out.find(line), std::string::npos) << out;
    EXPECT_FALSE(board.Record(0).is_deleted());
  }
}

TEST(OtherSite, OwnPagesStillChangeThings) {
  for (const std::map<std::string, std::string>& headers :
       {std::map<std::string, std::string>{},
        {{"HTTP_SEC_FETCH_SITE", "same-origin"},
         {"HTTP_SEC_FETCH_DEST", "document"},
         {"HTTP_ORIGIN", "http://bbs.example:8080"},
         {"HTTP_HOST", "bbs.example:8080"}},
        {{"HTTP_SEC_FETCH_SITE", "none"}, {"HTTP_SEC_FETCH_DEST", "empty"}}}) {
    BoardFixture board;
    Seed(board, true);
    for (const auto& [name, value] : headers) board.env().vars[name] = value;
    Send(board, Code(Action::kToggleWithCookie));
    EXPECT_TRUE(board.Record(0).is_deleted()) << headers.size();
  }
}

// The gate's login sets the member cookies: a login form on another site
// must not log the visitor in.
TEST(OtherSite, MemberLoginFromAnotherSiteSetsNoCookie) {
  for (const char* origin : {"http://evil.example", "http://bbs.example"}) {
    BoardFixture board;
    board.dir().Write("members.txt", "alice,secret,a@x,Alice\r\n");
    board.Settings({"JAPANESE=1", "MEMBERREADONLY=1", "MEMBERSONLY=" + board.dir().path() + "members.txt"});
    board.env().vars["HTTP_ORIGIN"] = origin;
    board.env().vars["HTTP_HOST"] = "bbs.example";
    const std::string out =
        board.Post({"test", "10", "0", "1"}, {{"CONFMEMID", "alice"}, {"CONFMEMPASS", "secret"}, {"DONE", "FCONFMEM"}});
    const bool own = std::string(origin) == "http://bbs.example";
    EXPECT_EQ(out.find("Set-Cookie: MEMID=alice") != std::string::npos, own) << out;
  }
}

}  // namespace
}  // namespace kiroq
