// The poster's deletion page (action 15).
#include "pages/delete_page.h"

#include <gtest/gtest.h>

#include <string>

#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

const char kHeader[] =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";
const std::string kPageStart = kHeader + std::string("<HTML>\r\n<BODY BGCOLOR=\"#FFFFE0\"><CENTER>\r\n");

// The number is not checked against the (empty) board, and the deletion
// password cookie never fills the field.
TEST(DeletePage, TableLayoutOnEveryLanguage) {
  BoardFixture board;
  board.env().vars["HTTP_USER_AGENT"] = "Mozilla/5.0";
  board.env().vars["HTTP_COOKIE"] = "PWD=mine";
  for (const char* language : {"JAPANESE=1", "JAPANESE=0"}) {
    board.Settings({language, "IMODE=2"});
    EXPECT_EQ(
        board.Get(20, 42, 15),
        kPageStart +
            std::string("発言削除メニュー<P>\r\n<TABLE BORDER>\r\n"
                        "<FORM ACTION=\"kiroq.exe?test+20+42+14\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
                        "<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">削除又は復活する発言番号</TD><TD BGCOLOR=\"#E0FFE0\">42"
                        "</TD></TR>\r\n"
                        "<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">記入した削除用パスワード</TD><TD BGCOLOR=\"#E0FFE0\">"
                        "<INPUT TYPE=\"PASSWORD\" SIZE=\"10\" NAME=\"DELPASSWORD\"></TD></TR>\r\n"
                        "</TABLE><P>\r\n<INPUT TYPE=\"SUBMIT\" VALUE=\"削除する\">\r\n</FORM>\r\n"
                        "</CENTER></BODY></HTML>\r\n"_sj))
        << language;
  }
}

TEST(DeletePage, MobileLayoutHasNoTable) {
  BoardFixture board;
  board.Settings({"IMODE=2"});
  board.env().vars["HTTP_USER_AGENT"] = "DoCoMo/2.0 P903i";
  EXPECT_EQ(
      board.Get(10, 7, 15),
      kPageStart + std::string("発言削除メニュー<BR>\r\n"
                               "<FORM ACTION=\"kiroq.exe?test+10+7+14\" METHOD=\"POST\">\r\n"
                               "対象番号 [7]<BR>\r\n"
                               "削除パスワード<BR><INPUT TYPE=\"PASSWORD\" SIZE=\"10\" NAME=\"DELPASSWORD\"><BR>\r\n"
                               "<INPUT TYPE=\"SUBMIT\" VALUE=\"削除する\">\r\n</FORM>\r\n"
                               "</CENTER></BODY></HTML>\r\n"_sj));
}

}  // namespace
}  // namespace kiroq
