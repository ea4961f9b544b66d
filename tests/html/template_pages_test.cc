// Whole requests on a board that has message templates.
#include <gtest/gtest.h>

#include <cctype>

#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

const char kHeader[] =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";

std::size_t Occurrences(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

// Three articles: 1 and 2 thread tops, 3 a reply to 1. The parameter
// spells the template extensions in lower or upper case.
class TemplatePages : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    board_.Settings({"JAPANESE=1", "USEDELETE=1"});
    board_.File(".HED", "<HTML><BODY>");
    board_.File(".FOT", "</BODY></HTML>");
    board_.AddArticle(SampleRecord("first"), "hello");
    board_.AddArticle(SampleRecord("second"), "tanuki");
    board_.AddArticle(SampleRecord("Re:01 first", "r", 1), "re\r\nline");
  }
  void Template(const std::string& ext, const std::string& text) {
    board_.File(GetParam() ? ext : std::string(ToUpper(ext)), text);
  }
  static std::string ToUpper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  }
  static std::string Page(std::string_view body) {
    return kHeader + ("<HTML><BODY>\r\n" + std::string(body) + "</BODY></HTML>\r\n");
  }
  BoardFixture board_;
};

TEST_P(TemplatePages, ArticlePageShowsTheArticleThroughMes) {
  Template(".mes", "No.<POSTNUMBER> <POSTTITLE> <RESMENU>\r\n<POSTMESSAGE>");
  EXPECT_EQ(board_.Get(10, 2, 3),
            Page("No.2 second <A HREF=\"kiroq.exe?test+10+2+4\">返信投稿</A>\r\ntanuki<BR>\r\n\r\n"_sj));
}

TEST_P(TemplatePages, ThreadPageRendersEachArticleAndOneMenu) {
  Template(".mes", "<POSTNUMBER>:<POSTTITLE><ALLMENU>");
  std::string out = board_.Get(10, 1, 12);
  EXPECT_NE(out.find("1:first閲覧："_sj), std::string::npos) << out;
  EXPECT_NE(out.find("\r\n3:Re:01 first\r\n"), std::string::npos) << out;
  EXPECT_EQ(Occurrences(out, "移動："_sj), 1u);
  EXPECT_EQ(out.find("<TABLE"), std::string::npos);  // neither built-in block nor navigation bar
}

TEST_P(TemplatePages, NewPostFormThroughPost) {
  Template(".post", "<POSTACTION><POSTTITLE><POSTACTIONEND>");
  EXPECT_EQ(board_.Get(10, 0, 0),
            Page("<FORM ACTION=\"kiroq.exe?test+10+0+9\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">"
                 "<INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" VALUE=\"\"></FORM>\r\n"));
}

TEST_P(TemplatePages, ReplyFormThroughRepostForTheParent) {
  Template(".repost", "<POSTNUMBER> <POSTTITLE>");
  EXPECT_EQ(board_.Get(10, 3, 4), Page("3 <INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" VALUE=\"Re:02 first\">\r\n"));
}

INSTANTIATE_TEST_SUITE_P(TemplateExtensions, TemplatePages, ::testing::Bool());

TEST(TemplatePagesWithout, BuiltInPagesWhenTheBoardHasNoTemplates) {
  BoardFixture board;
  board.Settings({"JAPANESE=1"});
  board.AddArticle(SampleRecord("first"), "hello");
  // A template of another kind does not replace these pages.
  board.File(".mes", "MES");
  EXPECT_NE(board.Get(10, 0, 0).find("新規発言 "_sj), std::string::npos);
  EXPECT_NE(board.Get(10, 1, 4).find("返信 "_sj), std::string::npos);
  board.File(".post", "POST");
  EXPECT_NE(board.Get(10, 1, 4).find("返信 "_sj), std::string::npos);
  EXPECT_NE(board.Get(10, 0, 0).find("\r\nPOST\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kiroq
