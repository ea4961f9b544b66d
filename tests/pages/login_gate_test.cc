// The login gate of boards open to members only: whole requests.
#include "pages/login_gate.h"

#include <gtest/gtest.h>

#include "app/commands.h"
#include "board/actions.h"
#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

const std::string kHeader =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";

class LoginGateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.dir().Write("members.txt", "Alice,secret,alice@example.jp,\"Alice Liddell\"\r\nbob,pw,b@x,Bob Smith\r\n");
    board_.env().SetLocalTime(2026, 12, 8, 10, 30, 15);
    board_.env().vars["REMOTE_ADDR"] = "192.0.2.10";
    board_.env().vars["HTTP_REFERER"] = "http://bbs.example.jp/cgi-bin/kiroq.exe?cafe+10+0+3";
  }
  void Configure(std::vector<std::string> lines) {
    lines.push_back("MEMBERSONLY=" + board_.dir().path() + "members.txt");
    lines.push_back("LOGINDAT=" + board_.dir().path() + "failed.log");
    board_.Settings(lines);
  }
  std::string Login(const std::string& id, const std::string& password) {
    return board_.Post({"cafe", "10", "0", "158"},
                       {{"CONFMEMID", id}, {"CONFMEMPASS", password}, {"DONE", "FCONFMEM"}});
  }
  BoardFixture board_{"cafe"};
};

TEST_F(LoginGateTest, ReadersWithoutTheCookieGetTheLoginPage) {
  Configure({"JAPANESE=1", "MEMBERREADONLY=1"});
  std::string out = board_.Get(10, 4, 3);
  const std::string head = kHeader + "<HTML><BODY BGCOLOR=\"WHITE\">\r\n<CENTER>\r\n" +
                           std::string("当掲示板は会員制になっています。<BR>\r\n"_sj);
  EXPECT_EQ(out.substr(0, head.size()), head);
  // The form posts the login back to the very request, board name included.
  EXPECT_NE(out.find("<FORM ACTION=\"kiroq.exe?cafe+10+4+3\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">"),
            std::string::npos);
  EXPECT_NE(out.find("<INPUT TYPE=\"HIDDEN\" NAME=\"DONE\" VALUE=\"FCONFMEM\">\r\n"
                     "<INPUT TYPE=\"SUBMIT\" VALUE=\"ログイン\"></FORM>\r\n"_sj),
            std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 9), "</FORM>\r\n");  // left open without .LOGINERR
  EXPECT_FALSE(board_.dir().Exists("bbsdb/cafe.idx"));   // nothing of the board was touched

  // The board's own ending follows the form; the words are echoed encoded.
  Configure({"JAPANESE=0", "MEMBERREADONLY=1"});
  board_.File(".LOGINERR", "<P>Ask the owner.\r\n</CENTER></BODY></HTML>");
  out = board_.Run({"cafe", "x\"><B>", "", "3"});
  EXPECT_NE(out.find("Our bulletin board is a membership system.<BR>\r\n"), std::string::npos);
  EXPECT_NE(out.find("<FORM ACTION=\"kiroq.exe?cafe+x%22%3E%3CB%3E++3\""), std::string::npos);
  const std::string tail = "VALUE=\"LOGIN\"></FORM>\r\n<P>Ask the owner.\r\n</CENTER></BODY></HTML>\r\n";
  ASSERT_GT(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
}

TEST_F(LoginGateTest, MemberCookiesPassAndOtherSettingsShowNoLogin) {
  Configure({"JAPANESE=1", "MEMBERREADONLY=1"});
  board_.env().vars["HTTP_COOKIE"] = "NAME=x; MEMID=alice; MEMPASS=secret; TREET=1";
  std::string out = board_.Get(10, 0, 158);
  EXPECT_EQ(out.substr(0, kHeader.size()), kHeader);
  EXPECT_EQ(out.find("CONFMEMID"), std::string::npos);
  EXPECT_TRUE(board_.dir().Exists("bbsdb/cafe.idx"));

  // An empty cookie is no member.
  board_.env().vars["HTTP_COOKIE"] = "MEMID=; MEMPASS=";
  EXPECT_NE(board_.Get(10, 0, 158).find("CONFMEMID"), std::string::npos);
  // Members-only posting alone (MEMBERREADONLY 0, or any value but 1) lets readers in.
  for (const char* value : {"MEMBERREADONLY=0", "MEMBERREADONLY=2"}) {
    Configure({"JAPANESE=1", value});
    EXPECT_EQ(board_.Get(10, 0, 158).find("CONFMEMID"), std::string::npos) << value;
  }
}

TEST_F(LoginGateTest, LoginWithTemporaryCookiesShowsTheConfirmation) {
  Configure({"JAPANESE=1", "MEMBERREADONLY=1", "COOKIEDELETE=1", "USECOOKIE=1"});
  EXPECT_EQ(Login("ALICE", "secret"),
            "Set-Cookie: MEMID=ALICE; path=/cgi-bin/; HttpOnly;\r\n"
            "Set-Cookie: MEMPASS=secret; path=/cgi-bin/; HttpOnly;\r\n" +
                kHeader + "<HTML><BODY BGCOLOR=\"WHITE\">\r\n<CENTER>\r\n" +
                std::string("設定作業が終了しました。<P>\r\n"
                            "<A HREF=\"kiroq.exe?cafe+10+0+158\">掲示板へ行く</A>\r\n"_sj));
  EXPECT_FALSE(board_.dir().Exists("failed.log"));
}

TEST_F(LoginGateTest, LoginWithoutUseCookieGoesOnToThePage) {
  Configure({"JAPANESE=0", "MEMBERREADONLY=1"});
  std::string out = Login("Alice", "secret");
  const std::string cookies =
      "Set-Cookie: MEMID=Alice; expires=Wednesday, 08-Dec-2027 01:30:15 GMT; path=/cgi-bin/; HttpOnly;\r\n"
      "Set-Cookie: MEMPASS=secret; expires=Wednesday, 08-Dec-2027 01:30:15 GMT; path=/cgi-bin/; HttpOnly;\r\n";
  // The cookie lines, then the page that was asked for (the bare frame).
  ASSERT_EQ(out.substr(0, cookies.size() + kHeader.size()), cookies + kHeader);
  EXPECT_EQ(out.find("Establishment"), std::string::npos);
  EXPECT_NE(out.find("</HTML>"), std::string::npos);
}

TEST_F(LoginGateTest, FailedLoginIsRefusedAndLogged) {
  Configure({"JAPANESE=1", "MEMBERREADONLY=1", "USECOOKIE=1"});
  const std::string failed = kHeader + "<HTML><BODY>\r\n" +
                             std::string("会員ID とパスワードが間違っています。設定作業に失敗しました\r\n"_sj) +
                             "</BODY></HTML>\r\n";
  EXPECT_EQ(Login("bob", "pw"), failed);  // an unquoted blank in the name: five items
  EXPECT_EQ(Login("alice", "SECRET"), failed);
  EXPECT_EQ(board_.dir().Read("failed.log"),
            "\"2026/12/08\",\"10:30:15\",\"bob\",\"********\",\"192.0.2.10\",\"192.0.2.10\"\r\n"
            "\"2026/12/08\",\"10:30:15\",\"alice\",\"********\",\"192.0.2.10\",\"192.0.2.10\"\r\n");

  // Without a member file nobody gets in.
  board_.Settings({"JAPANESE=0", "MEMBERREADONLY=1", "USECOOKIE=1", "MEMBERSONLY=" + board_.dir().path() + "none.txt"});
  EXPECT_EQ(Login("Alice", "secret"), kHeader +
                                          "<HTML><BODY>\r\n"
                                          "A password is wrong with the member ID. It failed in the "
                                          "establishment work.\r\n</BODY></HTML>\r\n");
}

// Every action the program dispatches, and two it does not, for every kind
// of cookie: only a member's own ID and password open anything.
TEST_F(LoginGateTest, EveryActionNeedsTheMembersOwnCookies) {
  Configure({"JAPANESE=1", "MEMBERREADONLY=1", "FILEUPLOAD=1", "BBSMAN=1", "USESEARCHLOG=1"});
  IndexRecord rec = SampleRecord("hidden title");
  rec.attachment = "secret.txt";
  board_.AddArticle(rec, "members only body");
  board_.dir().Write("bbsdb/cafe/1/secret.txt", "attached secret");

  std::vector<int> actions = {7, 200};  // the bare frame
  const CommandTable& table = Commands();
  for (int i = 0; i < table.early_count; ++i) actions.push_back(Code(table.early[i].action));
  for (int i = 0; i < table.whole_count; ++i) actions.push_back(Code(table.whole[i].action));
  for (int i = 0; i < table.framed_count; ++i) actions.push_back(Code(table.framed[i].action));
  ASSERT_GT(actions.size(), 20u);

  const struct {
    const char* cookie;
    bool member;
  } kCookies[] = {
      {"", false},
      {"MEMID=Alice", false},
      {"MEMID=anything", false},
      {"MEMID=Alice; MEMPASS=SECRET", false},
      {"MEMID=bob; MEMPASS=secret", false},  // another member's password
      {"MEMPASS=secret", false},
      {"MEMID=aLICE; MEMPASS=secret", true},
  };
  int client = 0;
  for (const auto& c : kCookies) {
    for (int action : actions) {
      board_.env().vars["HTTP_COOKIE"] = c.cookie;
      // Each from another address: wrong cookies count as wrong passwords.
      board_.env().vars["REMOTE_ADDR"] = "2001:db8:" + std::to_string(++client) + "::1";
      const std::string out =
          board_.Post({"cafe", "10", "1", std::to_string(action)}, {{"SEARCHWORD", "members"}, {"CONTENT", "members"}});
      const bool login = out.find("NAME=\"CONFMEMID\"") != std::string::npos;
      EXPECT_EQ(login, !c.member) << "cookie \"" << c.cookie << "\" action " << action;
      if (!c.member) {
        EXPECT_EQ(out.find("members only body"), std::string::npos) << c.cookie << " action " << action;
        EXPECT_EQ(out.find("attached secret"), std::string::npos) << c.cookie << " action " << action;
        EXPECT_EQ(out.find("hidden title"), std::string::npos) << c.cookie << " action " << action;
      }
    }
  }
  // The member's own pair reads the board, and the streamed download sends
  // the file.
  board_.env().vars["HTTP_COOKIE"] = "MEMID=aLICE; MEMPASS=secret";
  EXPECT_NE(board_.Get(10, 1, 3).find("members only body"), std::string::npos);
  EXPECT_NE(board_.Get(10, 1, 23).find("attached secret"), std::string::npos);

  // The login itself still opens the page asked for, whatever the cookies said.
  board_.env().vars["HTTP_COOKIE"] = "MEMID=anything";
  const std::string out =
      board_.Post({"cafe", "10", "1", "3"}, {{"CONFMEMID", "alice"}, {"CONFMEMPASS", "secret"}, {"DONE", "FCONFMEM"}});
  EXPECT_EQ(out.rfind("Set-Cookie: MEMID=alice;", 0), 0u);
  EXPECT_NE(out.find("members only body"), std::string::npos);
}

}  // namespace
}  // namespace kiroq
