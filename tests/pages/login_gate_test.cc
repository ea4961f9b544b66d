// The login gate of boards open to members only: whole requests.
#include "pages/login_gate.h"

#include <gtest/gtest.h>

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

TEST_F(LoginGateTest, AMemberCookiePassesAndOtherSettingsShowNoLogin) {
  Configure({"JAPANESE=1", "MEMBERREADONLY=1"});
  board_.env().vars["HTTP_COOKIE"] = "NAME=x; MEMID=anything";
  std::string out = board_.Get(10, 0, 158);
  EXPECT_EQ(out.substr(0, kHeader.size()), kHeader);
  EXPECT_EQ(out.find("CONFMEMID"), std::string::npos);
  EXPECT_TRUE(board_.dir().Exists("bbsdb/cafe.idx"));

  // An empty cookie is no member.
  board_.env().vars["HTTP_COOKIE"] = "MEMID=";
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

}  // namespace
}  // namespace kiroq
