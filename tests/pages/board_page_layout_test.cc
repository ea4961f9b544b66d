// The thread index page byte for byte: menus, table start, header row,
// rows, paging items and the page for an empty board.
#include <gtest/gtest.h>

#include <memory>

#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

const char kHeader[] =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";

class BoardLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.File(".HED", "<HTML><BODY>");
    board_.File(".FOT", "</BODY></HTML>");
    board_.env().SetLocalTime(2024, 12, 5, 12, 0, 0);
  }
  void AddThreeArticles() {
    const char* titles[3] = {"first", "second <2>", "Re:01 first"};
    for (int k = 1; k <= 3; ++k) {
      IndexRecord r = SampleRecord(titles[k - 1], k == 3 ? "r" : "poster", k == 3 ? 1 : 0);
      r.date = EncodePostDate({2024, 12, 1, 0, k, 0});
      board_.AddArticle(r, "body");
    }
  }
  BoardFixture board_;
};

TEST_F(BoardLayout, EmptyBoard) {
  board_.Settings({"JAPANESE=1", "USECOOKIE=1", "USECOOKIESETTING=1", "USESEARCHLOG=0"});
  EXPECT_EQ(board_.Get(10, 0, 2),
            std::string(kHeader) + std::string("<HTML><BODY>\r\n"
                                               "閲覧：[<A HREF=\"kiroq.exe?test+10+0+1\">タイトルリスト</A>]"
                                               "[<A HREF=\"kiroq.exe?test+10+0+11\">本文一覧表示</A>]<BR>\r\n"
                                               "移動：[<A HREF=\"kiroq.exe?test+10+0+2\">最新表示</A>]"
                                               "[<A HREF=\"kiroq.exe?test+10+10+2\">先頭から表示</A>]<BR>"
                                               "投稿：[<A HREF=\"kiroq.exe?test+10+0+0\">新規投稿</A>][返信投稿]"
                                               "[<A HREF=\"kiroq.exe?test+10+0+30+2\">個人設定</A>]\r\n"
                                               "<P>発言はありません。<P>\r\n"
                                               "</BODY></HTML>\r\n"_sj));
  // English, no view items, no personal settings.
  board_.Settings({"JAPANESE=0", "VIEWSELECT=5"});
  EXPECT_EQ(board_.Get(7, 0, 2), std::string(kHeader) +
                                     "<HTML><BODY>\r\n"
                                     "Move:[<A HREF=\"kiroq.exe?test+7+0+2\">Current view</A>]"
                                     "[<A HREF=\"kiroq.exe?test+7+7+2\">Top</A>]<BR>"
                                     "Post:[<A HREF=\"kiroq.exe?test+7+0+0\">New</A>][Responce]\r\n"
                                     "<P>No Articles.<P>\r\n"
                                     "</BODY></HTML>\r\n");
}

TEST_F(BoardLayout, WholePageWithFramedTable) {
  board_.Settings({"JAPANESE=1", "NUMCLICK=1", "USEDATE=1", "VIEWSELECT=2", "USEBORDER=1", "BORDERLINE=1",
                   "BORDERCOLOR=#000000", "CELLPADDING=2", "USESEARCHLOG=1", "BBSMAN=1"});
  AddThreeArticles();
  EXPECT_EQ(
      board_.Get(10, 0, 2),
      std::string(kHeader) +
          std::string("<HTML><BODY>\r\n"
                      "閲覧：[<A HREF=\"kiroq.exe?test+10+0+2\">ツリー表示</A>]<BR>\r\n"
                      "移動：[<A HREF=\"kiroq.exe?test+10+0+2\">最新表示</A>]"
                      "[<A HREF=\"kiroq.exe?test+10+10+2\">先頭から表示</A>][次のページ][前のページ]<BR>"
                      "投稿：[<A HREF=\"kiroq.exe?test+10+0+0\">新規投稿</A>][返信投稿]\r\n"
                      "<TABLE BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\"><TR><TD BGCOLOR=\"#000000\">\r\n"
                      "<TABLE BORDER=\"0\" CELLPADDING=\"2\" CELLSPACING=\"1\">\r\n"
                      "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33AACC\"><FONT COLOR=\"BLACK\">文書番号</FONT></TD>"
                      "<TD BGCOLOR=\"#AAEEAA\"><FONT COLOR=\"BLACK\">日付</FONT></TD>"
                      "<TD BGCOLOR=\"#33CCAA\"><FONT COLOR=\"BLACK\">タイトル</FONT></TD>"
                      "<TD BGCOLOR=\"#AACCAA\"><FONT COLOR=\"BLACK\">投稿者</FONT></TD></TR>\r\n"
                      "<TR><TD ALIGN=\"LEFT\"><A HREF=\"kiroq.exe?test+10+2+3\">2</A></TD>\r\n"
                      "<TD NOWRAP>2024/12/01 00:02:00</TD>\r\n"
                      "<TD>second &lt;2&gt;</TD>\r\n"
                      "<TD NOWRAP>poster</TD></TR>\r\n"
                      "<TR><TD NOWRAP>\r\n"
                      "<A HREF=\"kiroq.exe?test+10+1+3\">1</A> <A HREF=\"kiroq.exe?test+10+1+12\">▼</A><BR>\r\n"
                      "　<A HREF=\"kiroq.exe?test+10+3+3\">3</A><BR>\r\n"
                      "</TD><TD NOWRAP>\r\n"
                      "2024/12/01 00:01:00<BR>\r\n2024/12/01 00:03:00<BR>\r\n"
                      "</TD><TD NOWRAP>\r\n"
                      "first<BR>\r\nRe:01 first<BR>\r\n"
                      "</TD><TD NOWRAP>\r\n"
                      "poster<BR>\r\nr<BR>\r\n"
                      "</TD></TR>\r\n"
                      "</TABLE>\r\n"
                      "</TD></TR></TABLE>\r\n"
                      "[次のページ][前のページ]<BR>\r\n"
                      "<FORM ACTION=\"kiroq.exe?test+10+0+10\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
                      "検索：<INPUT TYPE=\"TEXT\" NAME=\"SEARCHWORD\" SIZE=\"40\" VALUE=\"\">"
                      "<INPUT TYPE=\"SUBMIT\" VALUE=\"検索\"><BR>\r\n"
                      "</FORM>\r\n"
                      "<DIV ALIGN=\"RIGHT\"><A HREF=\"kiroq.exe?test+10+0+99\">ＢＢＳ管理者メニュー</A></DIV>\r\n"
                      "</BODY></HTML>\r\n"_sj));
}

struct TableCase {
  std::vector<std::string> settings;
  std::string start;  // the lines before the header row
  std::string end;    // the lines after the rows
};

void PrintTo(const TableCase& c, std::ostream* os) { *os << c.start; }

class BoardTableStart : public ::testing::TestWithParam<TableCase> {};

TEST_P(BoardTableStart, OpensAndClosesTheTable) {
  BoardFixture board;
  board.File(".FOT", "");
  std::vector<std::string> settings = {"JAPANESE=0", "BORDERCOLOR=RED"};
  for (const std::string& s : GetParam().settings) settings.push_back(s);
  board.Settings(settings);
  board.AddArticle(SampleRecord("only"), "x");
  const std::string out = board.Get(10, 0, 2);
  const std::string header = "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33AACC\">";
  const std::size_t start = out.find("[Responce]\r\n") + 12;
  EXPECT_EQ(out.substr(start, out.find(header) - start), GetParam().start);
  const std::size_t rows_end = out.find("</TD></TR>\r\n", out.find("only")) + 12;
  EXPECT_EQ(out.substr(rows_end), GetParam().end + "[Next page][Previous page]<BR>\r\n");
}

const char kFrame[] = "<TABLE BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\"><TR><TD BGCOLOR=\"RED\">\r\n";

INSTANTIATE_TEST_SUITE_P(
    BoardBorders, BoardTableStart,
    ::testing::Values(
        TableCase{{"USEBORDER=1", "CELLPADDING=4", "BORDERLINE=1"},
                  std::string(kFrame) + "<TABLE BORDER=\"0\" CELLPADDING=\"4\" CELLSPACING=\"1\">\r\n",
                  "</TABLE>\r\n</TD></TR></TABLE>\r\n"},
        TableCase{{"USEBORDER=1", "CELLPADDING=4"}, "<TABLE BORDER=\"1\" CELLPADDING=\"4\">\r\n", "</TABLE>\r\n"},
        TableCase{{"USEBORDER=1", "BORDERLINE=1"},
                  std::string(kFrame) + "<TABLE BORDER=\"0\" CELLPADDING=\"3\" CELLSPACING=\"1\">\r\n",
                  "</TABLE>\r\n</TD></TR></TABLE>\r\n"},
        TableCase{{"USEBORDER=1"}, "<TABLE BORDER=\"1\">\r\n", "</TABLE>\r\n"},
        TableCase{{"CELLPADDING=4", "BORDERLINE=1"}, "<TABLE BORDER=\"0\" CELLPADDING=\"4\">\r\n", "</TABLE>\r\n"},
        TableCase{{"BORDERLINE=1"}, "<TABLE BORDER=\"0\">\r\n", "</TABLE>\r\n"}));

TEST_F(BoardLayout, LimitNoticeClosesTheFramedTable) {
  board_.Settings({"JAPANESE=0", "USEBORDER=1", "BORDERLINE=1", "VIEWLIMIT=1"});
  AddThreeArticles();
  // Tops at position 3 - 1 - 2 = 0 or below are too old: thread 1 goes.
  const std::string out = board_.Get(10, 0, 2);
  EXPECT_NE(out.find("<TD NOWRAP>poster</TD></TR>\r\n</TABLE>\r\n</TD></TR></TABLE>\r\n"
                     "<P>これ以上ログは表示出来ません。<P>\r\n[Next page][Previous page]<BR>\r\n"_sj),
            std::string::npos);
  EXPECT_EQ(out.find("first"), std::string::npos);
}

TEST_F(BoardLayout, ReadOnlyBoardKeepsOnlyThePersonalSettingsItem) {
  board_.Settings({"JAPANESE=0", "READONLY=1", "USECOOKIE=1", "USECOOKIESETTING=1"});
  AddThreeArticles();
  EXPECT_NE(board_.Get(10, 0, 2).find("[Previous page]<BR>"
                                      "[<A HREF=\"kiroq.exe?test+10+0+30+2\">Personal Setting</A>]\r\n<TABLE"),
            std::string::npos);
  board_.Settings({"JAPANESE=0", "READONLY=1"});
  EXPECT_NE(board_.Get(10, 0, 2).find("[Previous page]<BR><TABLE BORDER=\"0\">\r\n"), std::string::npos);
}

TEST_F(BoardLayout, CookiesOverrideTreeFormAndOrder) {
  board_.Settings({"JAPANESE=0", "NUMCLICK=1"});
  AddThreeArticles();
  board_.env().vars["HTTP_COOKIE"] = "TREET=1; TREET2=1";
  std::string out = board_.Get(10, 0, 2);
  EXPECT_NE(out.find("<A HREF=\"kiroq.exe?test+10+1+12\">▼</A>(2)\r\n"_sj), std::string::npos);
  // Thread 1's reply (article 3) was posted after article 2: thread 1 comes first.
  EXPECT_LT(out.find("+1+12\">"), out.find("+2+3\">"));
  board_.env().vars["HTTP_COOKIE"] = "TREET=0; TREET2=0";
  board_.Settings({"JAPANESE=0", "NUMCLICK=1", "TREECLOSE=1", "NEWPOSTSORT=1"});
  out = board_.Get(10, 0, 2);
  EXPECT_NE(out.find("▼</A><BR>\r\n"_sj), std::string::npos);
  EXPECT_GT(out.find("+1+12\">"), out.find("+2+3\">"));
}

TEST_F(BoardLayout, BusyIndexIsReportedAndThePageGoesOn) {
  board_.Settings({"JAPANESE=0"});
  AddThreeArticles();
  std::unique_ptr<File> held;
  ASSERT_TRUE(PosixEnv()->Open(board_.dir().path() + "bbsdb/test.idx", OpenMode::kWriteExclusive, &held).ok());
  const std::string out = board_.Get(10, 0, 2);
  EXPECT_NE(out.find(">Top</A>]Don't open index file. Please wait a minute.\r\n[Next page][Previous page]<BR>"),
            std::string::npos);
  EXPECT_EQ(out.find("first"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 16), "</BODY></HTML>\r\n");
}

}  // namespace
}  // namespace kiroq
