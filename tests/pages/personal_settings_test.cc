// The personal settings pages: the form (action 30), storing the reader's
// choices in cookies (32) and clearing the board's cookies (31).
#include "pages/personal_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

const char kHeader[] =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";

std::string S(std::string_view v) { return std::string(v); }

std::string TreeOptions(bool expand) {
  return S(expand ? "<OPTION VALUE=\"0\" SELECTED>ツリーを展開する\r\n<OPTION VALUE=\"1\">ツリーを展開しない\r\n"_sj
                  : "<OPTION VALUE=\"0\">ツリーを展開する\r\n<OPTION VALUE=\"1\" SELECTED>ツリーを展開しない\r\n"_sj);
}
std::string SortOptions(bool sort) {
  return S(sort ? "<OPTION VALUE=\"1\" SELECTED>日付でソートする\r\n<OPTION VALUE=\"0\">日付でソートしない\r\n"_sj
                : "<OPTION VALUE=\"1\">日付でソートする\r\n<OPTION VALUE=\"0\" SELECTED>日付でソートしない\r\n"_sj);
}

class PersonalSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.Settings({"JAPANESE=1"});
    board_.env().vars["HTTP_REFERER"] = "http://bbs.example.jp/cgi-bin/kiroq.exe?test+10+0+2";
  }
  bool FormHas(const std::string& page, bool expand, bool sort) {
    return page.find(TreeOptions(expand) + "</SELECT>") != std::string::npos &&
           page.find(SortOptions(sort) + "</SELECT>") != std::string::npos;
  }
  BoardFixture board_;
};

TEST_F(PersonalSettingsTest, FormWithoutCookiesShowsTheBoardsSettings) {
  EXPECT_EQ(board_.Run({"test", "15", "0", "30", "2"}),
            kHeader +
                S("<HTML><BODY BGCOLOR=\"WHITE\"><CENTER>\r\n"
                  "<TABLE BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\"><TR><TD BGCOLOR=\"BLACK\">\r\n"
                  "<FORM ACTION=\"kiroq.exe?test+15+0+32\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
                  "<TABLE BORDER=\"0\" CELLPADDING=\"3\" CELLSPACING=\"1\">\r\n"
                  "<TR><TD BGCOLOR=\"#C0FFC0\" COLSPAN=\"2\"><CENTER><B>個人設定</B></CENTER><FONT SIZE=\"2\">"
                  "個人設定はCookieに記録されます。Cookieが使用されない場合はシステムの設定が有効になります。"
                  "</TD></TR>\r\n"
                  "<TR><TD BGCOLOR=\"WHITE\">１画面に表示する発言数</TD><TD BGCOLOR=\"WHITE\">\r\n"
                  "<INPUT TYPE=\"TEXT\" NAME=\"BROWSCOUNT\" VALUE=\"15\">\r\n</TD></TR>\r\n"
                  "<TR><TD BGCOLOR=\"WHITE\">ツリー表示の際にツリーの表示方法</TD><TD BGCOLOR=\"WHITE\">\r\n"
                  "<SELECT NAME=\"TREET\" SIZE=\"2\">\r\n"_sj) +
                TreeOptions(true) +
                S("</SELECT></TD></TR>\r\n"
                  "<TR><TD BGCOLOR=\"WHITE\">ツリー表示の際にツリーの表示方法２</TD><TD BGCOLOR=\"WHITE\">\r\n"
                  "<SELECT NAME=\"TREET2\" SIZE=\"2\">\r\n"_sj) +
                SortOptions(false) +
                S("</SELECT></TD></TR>\r\n"
                  "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#C0C0FF\" COLSPAN=\"2\"><INPUT TYPE=\"HIDDEN\" NAME=\"TT\" "
                  "VALUE=\"2\"><INPUT TYPE=\"SUBMIT\" VALUE=\"個人設定を行う\"></TD></FORM></TR>\r\n"
                  "<FORM ACTION=\"kiroq.exe?test+15+0+31\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
                  "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#FFC0C0\" COLSPAN=\"2\">"
                  "<INPUT TYPE=\"SUBMIT\" VALUE=\"Cookieを削除する\"></TD></FORM></TR>\r\n"
                  "</TABLE></TD></TR></TABLE>\r\n</FORM></CENTER></BODY></HTML>\r\n"_sj));
}

TEST_F(PersonalSettingsTest, FormPreselectsFromCookiesThenSettings) {
  board_.Settings({"JAPANESE=1", "TREECLOSE=1", "NEWPOSTSORT=1"});
  std::string page = board_.Get(10, 0, 30);
  EXPECT_TRUE(FormHas(page, false, true));
  EXPECT_NE(page.find("NAME=\"TT\" VALUE=\"\">"), std::string::npos);  // no fifth word
  board_.env().vars["HTTP_COOKIE"] = "TREET2=0; TREET=0; BROWSCOUNT=25";
  page = board_.Get(10, 0, 30);
  EXPECT_TRUE(FormHas(page, true, false));
  EXPECT_NE(page.find("NAME=\"BROWSCOUNT\" VALUE=\"25\">"), std::string::npos);
  board_.Settings({"JAPANESE=1"});
  board_.env().vars["HTTP_COOKIE"] = "TREET=1; TREET2=1";
  EXPECT_TRUE(FormHas(board_.Get(10, 0, 30), false, true));
  // Cookie and query text stay text.
  board_.env().vars["HTTP_COOKIE"] = "BROWSCOUNT=\"><X1>";
  page = board_.Run({"test", "10", "0", "30", "\"><X2>"});
  EXPECT_NE(page.find("VALUE=\"&quot;&gt;&lt;X1&gt;\">"), std::string::npos);
  EXPECT_NE(page.find("VALUE=\"&quot;&gt;&lt;X2&gt;\">"), std::string::npos);
}

TEST_F(PersonalSettingsTest, StoreWritesPersistentCookiesAndLinksBack) {
  board_.env().now = 1733620000;  // cookies last a year from now
  std::string out =
      board_.Post({"test", "20", "3", "32"}, {{"BROWSCOUNT", "abc"}, {"TREET", "1"}, {"TREET2", "0"}, {"TT", "2"}});
  const std::string tail = "; expires=Monday, 08-Dec-2025 01:06:40 GMT; path=/cgi-bin/; HttpOnly;\r\n";
  EXPECT_EQ(out, "Set-Cookie: BROWSCOUNT=abc" + tail + "Set-Cookie: TREET=1" + tail + "Set-Cookie: TREET2=0" + tail +
                     kHeader +
                     S("<HTML><BODY><CENTER>Cookieに個人設定を登録しました。<P>\r\n"
                       "<A HREF=\"kiroq.exe?test+20+3+2\">掲示板へ行く</A>\r\n"
                       "</BODY></HTML></CENTER>\r\n"_sj));
  // Sent back, a page size that is not a number counts as 10.
  board_.env().vars["HTTP_COOKIE"] = "BROWSCOUNT=abc; TREET=1; TREET2=0";
  std::string page = board_.Get(20, 0, 30);
  EXPECT_NE(page.find("<FORM ACTION=\"kiroq.exe?test+10+0+32\""), std::string::npos);
  EXPECT_NE(page.find("NAME=\"BROWSCOUNT\" VALUE=\"abc\">"), std::string::npos);
}

TEST_F(PersonalSettingsTest, StoreKeepsPostedTextOutOfMarkupAndAttributes) {
  std::string out = board_.Post({"test", "10", "0", "32"}, {{"BROWSCOUNT", "5; domain=example.jp"}, {"TT", "1\"><S>"}});
  EXPECT_NE(out.find("Set-Cookie: BROWSCOUNT=5; expires="), std::string::npos);
  EXPECT_EQ(out.find("domain"), std::string::npos);
  EXPECT_NE(out.find("Set-Cookie: TREET=; expires="), std::string::npos);
  EXPECT_NE(out.find("<A HREF=\"kiroq.exe?test+10+0+1%22%3E%3CS%3E\">"), std::string::npos);
}

TEST_F(PersonalSettingsTest, MobileStoreReadsUrlEncodedFields) {
  board_.Settings({"JAPANESE=1", "IMODE=1"});
  const std::string body = "BROWSCOUNT=30&TREET=0&TREET2=1&TT=11";
  board_.env().SetStdin(body);
  board_.env().vars["CONTENT_LENGTH"] = std::to_string(body.size());
  std::string out = board_.Get(10, 0, 32);
  EXPECT_TRUE(out.starts_with("Set-Cookie: BROWSCOUNT=30; "));
  EXPECT_NE(out.find("\r\nSet-Cookie: TREET=0; "), std::string::npos);
  EXPECT_NE(out.find("\r\nSet-Cookie: TREET2=1; "), std::string::npos);
  EXPECT_NE(out.find("<A HREF=\"kiroq.exe?test+10+0+11\">"), std::string::npos);
}

TEST_F(PersonalSettingsTest, ClearLeavesTreet2) {
  board_.env().vars["HTTP_COOKIE"] = "NAME=me; TREET2=1; TREET=0";
  std::string expected;
  for (const char* name :
       {"NAME", "EMAIL", "URL", "ADDRESS1", "AGE", "SEX", "MEMID", "MEMPASS", "PWD", "BROWSCOUNT", "TREET"}) {
    expected += "Set-Cookie: " + std::string(name) + "=; path=/cgi-bin/; HttpOnly;\r\n";
  }
  EXPECT_EQ(board_.Get(10, 0, 31),
            expected + kHeader +
                S("<HTML><BODY><CENTER>この掲示板での Cookie 情報をブラウザから削除しました。<BR>"
                  "ブラウザを閉じて終了してください。\r\n</BODY></HTML></CENTER>\r\n"_sj));
}

}  // namespace
}  // namespace kiroq
