// The single-article pages, whole requests on a small board.
#include <gtest/gtest.h>

#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

const char kHeader[] =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";

class ArticlePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.File(".HED", "<HTML><BODY>");
    board_.File(".FOT", "</BODY></HTML>");
    IndexRecord first = SampleRecord("first");
    first.password = "pw";
    board_.AddArticle(first, "hello\r\nworld");
    board_.AddArticle(SampleRecord("second"), "tanuki");
    board_.AddArticle(SampleRecord("Re:01 first", "r", 1), "re");
  }
  BoardFixture board_;
};

TEST_F(ArticlePageTest, NewestArticleWithNavigationAndTail) {
  board_.Settings({"JAPANESE=0", "VIEWSELECT=1", "USESEARCHLOG=1", "BBSMAN=1"});
  EXPECT_EQ(board_.Get(10, 0, 3),
            std::string(kHeader) +
                std::string(
                    "<HTML><BODY>\r\n"
                    "Article view :[<A HREF=\"kiroq.exe?test+10+0+1\">Title list</A>]<BR>\r\n"
                    "Move：[<A HREF=\"kiroq.exe?test+10+0+3\">New</A>][<A HREF=\"kiroq.exe?test+10+1+3\">Update</A>]"
                    "[Next article][<A HREF=\"kiroq.exe?test+10+2+3\">Previous article</A>]<BR>"
                    "Post:[<A HREF=\"kiroq.exe?test+10+0+0\">New</A>][<A HREF=\"kiroq.exe?test+10+3+4\">Responce</A>]"
                    "<HR>\r\n<TABLE BORDER=0>\r\n"
                    "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33AACC\"><FONT COLOR=\"BLACK\">Article No</FONT></TD><TD>3\r\n"
                    " <A HREF=\"kiroq.exe?test+10+3+4\">Response</A></TD></TR>\r\n"
                    "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33CCAA\"><FONT COLOR=\"BLACK\">Title</FONT></TD><TD>"
                    "Re:01 first</TD></TR>\r\n"
                    "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#AACCAA\"><FONT COLOR=\"BLACK\">Posted by</FONT></TD><TD>\r\n"
                    "r　</TD></TR>\r\n"
                    "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33CC44\">Original</TD><TD>\r\n"
                    "Owner <A HREF=\"kiroq.exe?test+10+1+3\">1</A></TD></TR>\r\n"
                    "</TABLE>\r\nre<BR>\r\n"
                    "<FORM ACTION=\"kiroq.exe?test+10+0+10\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
                    "Search：<INPUT TYPE=\"TEXT\" NAME=\"SEARCHWORD\" SIZE=\"40\" VALUE=\"\">"
                    "<INPUT TYPE=\"SUBMIT\" VALUE=\"Go Search\"><BR>\r\n</FORM>\r\n"
                    "<DIV ALIGN=\"RIGHT\"><A HREF=\"kiroq.exe?test+10+0+99\">BBS maneger menu</A></DIV>\r\n"
                    "</BODY></HTML>\r\n"_sj));
}

TEST_F(ArticlePageTest, ChosenArticleShowsItsChildrenAndDeleteLink) {
  board_.Settings({"JAPANESE=1", "USEDELETE=1", "VIEWSELECT=9"});
  std::string out = board_.Get(10, 1, 3);
  EXPECT_NE(out.find("[<A HREF=\"kiroq.exe?test+10+2+3\">次の文章へ</A>][前の文章へ]<BR>"_sj), std::string::npos);
  EXPECT_NE(out.find("[<A HREF=\"kiroq.exe?test+10+1+15\">削除</A>]<HR>"_sj), std::string::npos);
  EXPECT_NE(out.find("<A HREF=\"kiroq.exe?test+10+1+12\">▼ </A> 子 <A HREF=\"kiroq.exe?test+10+3+3\">3</A> "_sj),
            std::string::npos);
  EXPECT_NE(out.find("hello<BR>\r\nworld<BR>\r\n</BODY></HTML>"), std::string::npos);
}

TEST_F(ArticlePageTest, RomajiView) {
  board_.Settings({"JAPANESE=1", "ROMA=1"});
  std::string out = board_.Get(10, 2, 5);
  EXPECT_NE(out.find("tanuki<BR>\r\n<HR>\r\nたぬき<BR>\r\n"_sj), std::string::npos);
  out = board_.Get(10, 2, 3);
  EXPECT_NE(out.find("tanuki<BR>\r\n<A HREF=\"kiroq.exe?test+10+2+5\">ローマ字をひらがなに変換</A>\r\n"_sj),
            std::string::npos);
}

TEST_F(ArticlePageTest, ViewLimitHidesOldArticles) {
  board_.Settings({"JAPANESE=1", "VIEWLIMIT=1"});
  // Three articles, limit 1: positions at or below 3 - 1 - 2 = 0 are too old.
  std::string out = board_.Get(10, 1, 3);
  EXPECT_NE(out.find("<P>このログは表示できません。\r\n"_sj), std::string::npos);
  EXPECT_EQ(out.find("hello"), std::string::npos);
  EXPECT_NE(board_.Get(10, 2, 3).find("tanuki"), std::string::npos);
}

TEST_F(ArticlePageTest, NumbersOutsideTheBoardShowNoArticle) {
  board_.Settings({"JAPANESE=0"});
  for (int n : {4, 99, -3}) {
    std::string out = board_.Get(10, n, 3);
    EXPECT_EQ(out.find("<TABLE"), std::string::npos) << n;
    EXPECT_NE(out.find("</BODY></HTML>"), std::string::npos) << n;
  }
}

TEST_F(ArticlePageTest, BusyIndexStopsThePage) {
  board_.Settings({"JAPANESE=0"});
  // Every open of the index fails while another open holds it.
  std::unique_ptr<File> held;
  ASSERT_TRUE(PosixEnv()->Open(board_.dir().path() + "bbsdb/test.idx", OpenMode::kWriteExclusive, &held).ok());
  std::string out = board_.Get(10, 0, 3);
  EXPECT_EQ(out.substr(out.size() - 46), "Don't open index file. Please wait a minute.\r\n");
  EXPECT_EQ(board_.env().sleeps.size(), 60u);
}

TEST_F(ArticlePageTest, TemplateBoardsHaveNoNavigationBar) {
  board_.Settings({"JAPANESE=0"});
  board_.File(".MES", "<POSTNUMBER>");
  EXPECT_EQ(board_.Get(10, 2, 3).find("Article view"), std::string::npos);
}

}  // namespace
}  // namespace kiroq
