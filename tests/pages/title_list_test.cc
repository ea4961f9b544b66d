// The title list page (action 1): whole requests against a board of 25
// articles, paging walked through the links the pages write.
#include "pages/title_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "board_fixture.h"
#include "cgi/output.h"
#include "html/labels.h"
#include "html/request.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

const char kHeader[] =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";

std::vector<int> Range(int from, int down_to) {
  std::vector<int> v;
  for (int n = from; n >= down_to; --n) v.push_back(n);
  return v;
}

// The article numbers of the rows, in page order (rows without NUMCLICK).
std::vector<int> RowNumbers(const std::string& page) {
  static const std::regex kRow("<TR><TD ALIGN=\"CENTER\">([0-9]+)</TD>");
  std::vector<int> rows;
  for (std::sregex_iterator it(page.begin(), page.end(), kRow), end; it != end; ++it) {
    rows.push_back(std::stoi((*it)[1]));
  }
  return rows;
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

constexpr int kPlain = -1;    // the label is written without a link
constexpr int kMissing = -2;  // the label is not on the page

// Where the English page link with this label leads: an article number,
// kPlain or kMissing.
int LinkTarget(const std::string& page, const std::string& label) {
  std::smatch m;
  if (std::regex_search(
          page, m, std::regex("\\[<A HREF=\"kiroq\\.exe\\?test\\+[0-9]+\\+(-?[0-9]+)\\+1\">" + label + "</A>\\]"))) {
    return std::stoi(m[1]);
  }
  return page.find("[" + label + "]") != std::string::npos ? kPlain : kMissing;
}

class TitleList : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.File(".HED", "<HTML><BODY>");
    board_.File(".FOT", "</BODY></HTML>");
    board_.Settings({"JAPANESE=0"});
  }

  // Articles 1..count, titled "article n" by "poster n"; the numbers in
  // deleted carry the deleted mark.
  void AddArticles(int count, const std::vector<int>& deleted = {}) {
    for (int n = 1; n <= count; ++n) {
      IndexRecord rec = SampleRecord("article " + std::to_string(n), "poster " + std::to_string(n));
      for (int d : deleted) rec.deleted = rec.deleted || d == n;
      board_.AddArticle(rec, "body");
    }
  }

  // The table start and header row: from the first "<TABLE" to the first
  // article row.
  std::string TableHead(const std::string& page) {
    std::size_t start = page.find("<TABLE");
    std::size_t end = page.find("<TR><TD ALIGN=\"CENTER\">", start);
    if (start == std::string::npos || end == std::string::npos) return "(no table)";
    return page.substr(start, end - start);
  }

  BoardFixture board_;
};

TEST_F(TitleList, WholeEnglishPage) {
  board_.Settings({"JAPANESE=0", "USECOOKIE=1", "USECOOKIESETTING=1", "USESEARCHLOG=1"});
  AddArticles(3);
  EXPECT_EQ(board_.Get(2, 0, 1),
            std::string(kHeader) +
                std::string(
                    "<HTML><BODY>\r\n"
                    "View:[<A HREF=\"kiroq.exe?test+2+0+2\">Tree</A>][<A HREF=\"kiroq.exe?test+2+0+11\">All View</A>]"
                    "<BR>\r\n"
                    "Move:[<A HREF=\"kiroq.exe?test+2+0+1\">Current view</A>][<A HREF=\"kiroq.exe?test+2+1+1\">Top</A>]"
                    "[Next page][<A HREF=\"kiroq.exe?test+2+1+1\">Previous page</A>]<BR>\r\n"
                    "Post:[<A HREF=\"kiroq.exe?test+2+0+0\">New</A>][Responce]"
                    "[<A HREF=\"kiroq.exe?test+2+0+30+1\">Personal Setting</A>]\r\n"
                    "<TABLE BORDER=\"0\">\r\n"
                    "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33AACC\"><FONT COLOR=\"BLACK\">Article No</FONT></TD>"
                    "<TD BGCOLOR=\"#33CCAA\"><FONT COLOR=\"BLACK\">Title</FONT></TD>"
                    "<TD BGCOLOR=\"#AACCAA\"><FONT COLOR=\"BLACK\">Posted by</FONT></TD></TR>\r\n"
                    "<TR><TD ALIGN=\"CENTER\">3</TD><TD>article 3</TD><TD>poster 3</TD></TR>\r\n"
                    "<TR><TD ALIGN=\"CENTER\">2</TD><TD>article 2</TD><TD>poster 2</TD></TR>\r\n"
                    "</TABLE>\r\n"
                    "[Next page][<A HREF=\"kiroq.exe?test+2+1+1\">Previous page</A>]<BR>\r\n"
                    "<FORM ACTION=\"kiroq.exe?test+2+0+10\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
                    "Search：<INPUT TYPE=\"TEXT\" NAME=\"SEARCHWORD\" SIZE=\"40\" VALUE=\"\">"_sj) +
                "<INPUT TYPE=\"SUBMIT\" VALUE=\"Go Search\"><BR>\r\n</FORM>\r\n"
                "</BODY></HTML>\r\n");
}

TEST_F(TitleList, NewestPageLinksOnlyToOlderArticles) {
  AddArticles(25);
  std::string page = board_.Get(10, 0, 1);
  EXPECT_EQ(RowNumbers(page), Range(25, 16));
  EXPECT_EQ(LinkTarget(page, "Next page"), kPlain);
  EXPECT_EQ(LinkTarget(page, "Previous page"), 15);
  // The same two links above and below the table.
  EXPECT_EQ(Occurrences(page, "[Next page][<A HREF=\"kiroq.exe?test+10+15+1\">Previous page</A>]<BR>\r\n"), 2u);
  EXPECT_NE(page.find("[<A HREF=\"kiroq.exe?test+10+5+1\">Top</A>]"), std::string::npos);
}

TEST_F(TitleList, OldestPageHasNoOlderLink) {
  AddArticles(25);
  std::string page = board_.Get(10, 5, 1);
  EXPECT_EQ(RowNumbers(page), Range(5, 1));
  EXPECT_EQ(LinkTarget(page, "Previous page"), kPlain);
  EXPECT_EQ(LinkTarget(page, "Next page"), 15);
}

TEST_F(TitleList, NumbersOutsideTheBoardShowTheNewestPage) {
  AddArticles(25);
  for (std::string number : {"40", "26", "-1", "-30", "-2147483648", "2147483647"}) {
    std::string page = board_.Run({"test", "10", number, "1"});
    EXPECT_EQ(RowNumbers(page), Range(25, 16)) << number;
    EXPECT_EQ(LinkTarget(page, "Next page"), kPlain) << number;
    EXPECT_EQ(LinkTarget(page, "Previous page"), 15) << number;
  }
}

// Follows the older links from a page to the end, checking that every newer
// link leads back to the page before and that no article is shown twice.
void WalkOlder(BoardFixture& board, int page_size, int start, const std::vector<int>& expected_rows) {
  std::vector<int> seen;
  std::vector<int> previous_rows;
  int number = start;
  for (int steps = 0; steps < 100; ++steps) {
    std::string page = board.Get(page_size, number, 1);
    std::vector<int> rows = RowNumbers(page);
    if (!previous_rows.empty()) {
      std::string back = board.Get(page_size, LinkTarget(page, "Next page"), 1);
      EXPECT_EQ(RowNumbers(back), previous_rows) << "back from number " << number;
    }
    seen.insert(seen.end(), rows.begin(), rows.end());
    previous_rows = rows;
    number = LinkTarget(page, "Previous page");
    if (number == kPlain) break;
    ASSERT_GT(number, 0);
  }
  EXPECT_EQ(seen, expected_rows) << "walk from " << start << " by " << page_size;
}

TEST_F(TitleList, WalkingOlderAndBackAgain) {
  AddArticles(25);
  WalkOlder(board_, 10, 0, Range(25, 1));
  WalkOlder(board_, 10, 20, Range(20, 1));
  WalkOlder(board_, 7, 0, Range(25, 1));
  WalkOlder(board_, 5, 25, Range(25, 1));
  WalkOlder(board_, 30, 0, Range(25, 1));
  // A page out of step with the others links to the newest page, not past it.
  EXPECT_EQ(LinkTarget(board_.Get(10, 20, 1), "Next page"), 25);
}

TEST_F(TitleList, WalkingNewerFromTheTopEndsOnTheNewestPage) {
  AddArticles(20);
  for (int page_size : {10, 3, 20}) {
    std::string page = board_.Get(page_size, 0, 1);
    std::smatch m;
    std::string top_link = "\\[<A HREF=\"kiroq\\.exe\\?test\\+[0-9]+\\+([0-9]+)\\+1\">Top</A>\\]";
    ASSERT_TRUE(std::regex_search(page, m, std::regex(top_link)));
    int number = std::stoi(m[1]);
    std::vector<int> seen;
    for (int steps = 0; steps < 30 && number != kPlain; ++steps) {
      std::vector<int> rows = RowNumbers(page = board_.Get(page_size, number, 1));
      seen.insert(seen.begin(), rows.begin(), rows.end());
      number = LinkTarget(page, "Next page");
    }
    // The oldest page holds article 1, and every article is on one page.
    EXPECT_EQ(seen, Range(20, 1)) << "page size " << page_size;
  }
}

TEST_F(TitleList, HiddenDeletedArticlesStillTakeTheirRow) {
  AddArticles(25, {20, 18});
  std::string page = board_.Get(10, 0, 1);
  EXPECT_EQ(RowNumbers(page), (std::vector<int>{25, 24, 23, 22, 21, 19, 17, 16}));
  EXPECT_EQ(LinkTarget(page, "Previous page"), 15);
}

TEST_F(TitleList, VisibleDeletedArticlesShowTheNoticeAndNoMail) {
  board_.Settings({"JAPANESE=0", "DELETEVISIBLE=1", "USEDATE=1", "USEMAIL=1", "TITLECLICK=1", "TITLECOLOR=#EEEEEE"});
  IndexRecord gone = SampleRecord("secret", "ghost");
  gone.email = "ghost@example.com";
  gone.deleted = 1;
  board_.AddArticle(gone, "x");
  std::string page = board_.Get(10, 0, 1);
  EXPECT_NE(page.find("<TR><TD ALIGN=\"CENTER\">1</TD><TD>2024/12/01 10:20:30</TD>"
                      "<TD BGCOLOR=\"#EEEEEE\"><FONT COLOR=\"#FF0000\">Deleted</FONT></TD><TD>ghost</TD></TR>\r\n"),
            std::string::npos);
  EXPECT_EQ(page.find("secret"), std::string::npos);

  board_.Settings({"JAPANESE=1", "DELETEVISIBLE=1"});
  page = board_.Get(10, 0, 1);
  EXPECT_NE(page.find("<TD><FONT COLOR=\"#FF0000\">削除されています</FONT></TD><TD>ghost</TD></TR>"_sj),
            std::string::npos);
}

TEST_F(TitleList, ViewLimitEndsTheTable) {
  board_.Settings({"JAPANESE=0", "VIEWLIMIT=10"});
  AddArticles(25);
  std::string page = board_.Get(20, 0, 1);
  EXPECT_EQ(RowNumbers(page), Range(25, 15));
  EXPECT_NE(page.find(">15</TD><TD>article 15</TD><TD>poster 15</TD></TR>\r\n"
                      "</TABLE>\r\nこれ以上ログは表示出来ません<P>\r\n"
                      "[Next page][<A HREF=\"kiroq.exe?test+20+5+1\">Previous page</A>]<BR>\r\n</BODY>"_sj),
            std::string::npos);
  EXPECT_EQ(Occurrences(page, "</TABLE>"), 1u);

  // A framed table closes its frame too; a page entirely beyond the limit
  // shows the notice at once.
  board_.Settings({"JAPANESE=0", "VIEWLIMIT=10", "USEBORDER=1", "BORDERLINE=1", "BORDERCOLOR=NAVY"});
  page = board_.Get(10, 5, 1);
  EXPECT_TRUE(RowNumbers(page).empty());
  EXPECT_NE(page.find("</FONT></TD></TR>\r\n</TABLE>\r\n</TD></TR></TABLE>\r\nこれ以上ログは表示出来ません<P>\r\n"_sj),
            std::string::npos);
}

TEST_F(TitleList, TitlesAreCutAndVisitorTextEscaped) {
  board_.Settings({"JAPANESE=1", "SUBJECTLENGTH=40", "USEMAIL=1"});
  const std::string forty(40, 'T');
  board_.AddArticle(SampleRecord(forty), "x");
  board_.AddArticle(SampleRecord(std::string(39, 'U')), "x");
  IndexRecord tricky = SampleRecord("<script>&", "a<b>");
  tricky.email = "x\"@y";
  board_.AddArticle(tricky, "x");
  std::string page = board_.Get(10, 0, 1);
  EXPECT_NE(page.find("<TD>" + forty + "...</TD>"), std::string::npos);
  EXPECT_NE(page.find("<TD>" + std::string(39, 'U') + "</TD>"), std::string::npos);
  EXPECT_NE(page.find("<TD>&lt;script&gt;&amp;</TD><TD><A HREF=\"mailto:x&quot;@y\">a&lt;b&gt;</A></TD></TR>"),
            std::string::npos);
  EXPECT_EQ(page.find("<script>"), std::string::npos);
}

TEST_F(TitleList, FramedTableAndJapaneseHeaderRow) {
  board_.Settings({"JAPANESE=1", "USEBORDER=1", "BORDERLINE=1", "BORDERCOLOR=#000080", "CELLPADDING=4", "USEDATE=1",
                   "USECOMMENTNUMBER=1", "NOHEADCOLOR=#111111", "NOSTRCOLOR=#222222", "DATEHEADCOLOR=#333333",
                   "DATESTRCOLOR=#444444", "TITLEHEADCOLOR=#555555", "TITLESTRCOLOR=#666666", "WRITERHEADCOLOR=#777777",
                   "WRITERSTRCOLOR=#888888", "TREEHEADCOLOR=#999999"});
  AddArticles(1);
  std::string page = board_.Get(10, 0, 1);
  EXPECT_EQ(TableHead(page),
            "<TABLE BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\"><TR><TD BGCOLOR=\"#000080\">\r\n"
            "<TABLE BORDER=\"0\" CELLPADDING=\"4\" CELLSPACING=\"1\">\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#111111\"><FONT COLOR=\"#222222\">文書番号</FONT></TD>"
            "<TD BGCOLOR=\"#333333\"><FONT COLOR=\"#444444\">日付</FONT></TD>"
            "<TD BGCOLOR=\"#555555\"><FONT COLOR=\"#666666\">タイトル</FONT></TD>"
            "<TD BGCOLOR=\"#777777\"><FONT COLOR=\"#888888\">記入者</FONT></TD>"
            "<TD BGCOLOR=\"#999999\" ALIGN=\"CENTER\">コメント元</TD></TR>\r\n"_sj);
  EXPECT_NE(page.find("</TR>\r\n</TABLE>\r\n</TD></TR></TABLE>\r\n"), std::string::npos);

  // Without CELLPADDING the inner table pads by 3.
  board_.Settings({"JAPANESE=1", "USEBORDER=1", "BORDERLINE=1", "BORDERCOLOR=BLACK"});
  EXPECT_EQ(TableHead(board_.Get(10, 0, 1)),
            "<TABLE BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\"><TR><TD BGCOLOR=\"BLACK\">\r\n"
            "<TABLE BORDER=\"0\" CELLPADDING=\"3\" CELLSPACING=\"1\">\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33AACC\"><FONT COLOR=\"BLACK\">文書番号</FONT></TD>"
            "<TD BGCOLOR=\"#33CCAA\"><FONT COLOR=\"BLACK\">タイトル</FONT></TD>"
            "<TD BGCOLOR=\"#AACCAA\"><FONT COLOR=\"BLACK\">記入者</FONT></TD></TR>\r\n"_sj);
}

TEST_F(TitleList, PlainBorderedTablesAndEnglishHeaderRow) {
  AddArticles(1);
  board_.Settings({"JAPANESE=0", "USEBORDER=1", "USEDATE=1", "USECOMMENTNUMBER=1"});
  std::string page = board_.Get(10, 0, 1);
  EXPECT_EQ(TableHead(page),
            "<TABLE BORDER=\"1\">\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33AACC\"><FONT COLOR=\"BLACK\">Article No</FONT></TD>"
            "<TD BGCOLOR=\"#AAEEAA\"><FONT COLOR=\"BLACK\">Date</FONT></TD>"
            "<TD BGCOLOR=\"#33CCAA\"><FONT COLOR=\"BLACK\">Title</FONT></TD>"
            "<TD BGCOLOR=\"#AACCAA\"><FONT COLOR=\"BLACK\">Posted by</FONT></TD>"
            "<TD BGCOLOR=\"#33CC44\" ALIGN=\"CENTER\">Original</TD></TR>\r\n");
  // Only a framed table has an outer table to close.
  EXPECT_EQ(Occurrences(page, "</TABLE>"), 1u);

  board_.Settings({"JAPANESE=0", "USEBORDER=1", "CELLPADDING=6"});
  EXPECT_EQ(TableHead(board_.Get(10, 0, 1)).substr(0, 40), "<TABLE BORDER=\"1\" CELLPADDING=\"6\">\r\n<TR>");
  board_.Settings({"JAPANESE=0", "CELLPADDING=2", "BORDERLINE=1"});
  page = board_.Get(10, 0, 1);
  EXPECT_EQ(TableHead(page).substr(0, 40), "<TABLE BORDER=\"0\" CELLPADDING=\"2\">\r\n<TR>");
  EXPECT_EQ(Occurrences(page, "</TABLE>"), 1u);
}

TEST_F(TitleList, RowWithLinksColoursDateAndParent) {
  board_.Settings({"JAPANESE=0", "NUMCLICK=1", "TITLECLICK=1", "USEDATE=1", "USEMAIL=1", "USECOMMENTNUMBER=1",
                   "NOCOLOR=#A1", "DATECOLOR=#A2", "TITLECOLOR=#A3", "WRITERCOLOR=#A4", "TIMECOLOR=1",
                   "TIMECOLOR1=RED"});
  board_.env().SetLocalTime(2024, 12, 1, 12, 0, 0);  // posted 1 h 40 min before
  board_.AddArticle(SampleRecord("top"), "x");
  IndexRecord reply = SampleRecord("Re:01 top", "replier", 1);
  reply.email = "r@example.com";
  board_.AddArticle(reply, "x");
  std::string page = board_.Get(10, 0, 1);
  EXPECT_NE(page.find("</TR>\r\n"
                      "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#A1\"><A HREF=\"kiroq.exe?test+10+2+3\">2</A></TD>"
                      "<TD NOWRAP BGCOLOR=\"#A2\"><FONT COLOR=\"RED\"><B>2024/12/01 10:20:30</B></FONT></TD>"
                      "<TD BGCOLOR=\"#A3\"><A HREF=\"kiroq.exe?test+10+2+3\">Re:01 top</A></TD>"
                      "<TD BGCOLOR=\"#A4\"><A HREF=\"mailto:r@example.com\">replier</A></TD>"
                      "<TD ALIGN=\"CENTER\"><A HREF=\"kiroq.exe?test+0+1+3\">1</A></TD></TR>\r\n"
                      "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#A1\"><A HREF=\"kiroq.exe?test+10+1+3\">1</A></TD>"),
            std::string::npos);
  EXPECT_NE(page.find("<TD BGCOLOR=\"#A4\">poster</TD><TD ALIGN=\"CENTER\">---</TD></TR>\r\n</TABLE>"),
            std::string::npos);

  // Without NUMCLICK the number cell carries no colour.
  board_.Settings({"JAPANESE=0", "NOCOLOR=#A1"});
  EXPECT_EQ(RowNumbers(board_.Get(10, 0, 1)), Range(2, 1));
}

TEST_F(TitleList, EmptyBoard) {
  board_.Settings({"JAPANESE=1", "VIEWSELECT=1", "READONLY=1"});
  EXPECT_EQ(board_.Get(10, 0, 1),
            std::string(kHeader) + std::string("<HTML><BODY>\r\n"
                                               "移動：[<A HREF=\"kiroq.exe?test+10+0+1\">最新表示</A>][<A "
                                               "HREF=\"kiroq.exe?test+10+0+1\">先頭から表示</A>]"
                                               "[次のページ][前のページ]<BR>\r\n"
                                               "<P>発言はありません。<P>\r\n"
                                               "[次のページ][前のページ]<BR>\r\n"
                                               "</BODY></HTML>\r\n"_sj));
}

TEST_F(TitleList, PostLineFollowsTheCookieSettings) {
  AddArticles(1);
  board_.Settings({"JAPANESE=0", "USECOOKIE=1"});
  std::string page = board_.Get(10, 0, 1);
  EXPECT_NE(page.find("Post:[<A HREF=\"kiroq.exe?test+10+0+0\">New</A>][Responce]\r\n"), std::string::npos);
  board_.Settings({"JAPANESE=0", "USECOOKIE=1", "USECOOKIESETTING=1", "READONLY=1"});
  EXPECT_EQ(board_.Get(10, 0, 1).find("Post:"), std::string::npos);
}

TEST_F(TitleList, NegativeActionsMeanTheTitleList) {
  AddArticles(3);
  EXPECT_EQ(RowNumbers(board_.Get(10, 0, 255)), Range(3, 1));
  EXPECT_EQ(RowNumbers(board_.Run({"test", "10", "0", "-1"})), Range(3, 1));
  std::string other = board_.Get(10, 0, 158);
  EXPECT_EQ(other.find("Article No"), std::string::npos);
  EXPECT_TRUE(RowNumbers(other).empty());
}

TEST_F(TitleList, BusyIndexEndsThePageAfterSixtyPauses) {
  AddArticles(3);
  {
    std::unique_ptr<File> held;
    ASSERT_TRUE(PosixEnv()->Open(board_.dir().path() + "bbsdb/test.idx", OpenMode::kWriteExclusive, &held).ok());
    std::string page = board_.Get(10, 0, 1);
    const std::string notice = "</FONT></TD></TR>\r\nDon't open index file. Please wait a minute.\r\n";
    ASSERT_GE(page.size(), notice.size());
    EXPECT_EQ(page.substr(page.size() - notice.size()), notice);
    EXPECT_EQ(board_.env().sleeps, std::vector<int>(60, 100));

    board_.Settings({"JAPANESE=1"});
    page = board_.Get(10, 0, 1);
    const std::string japanese(
        "インデックスファイルをオープン出来ませんでした。暫くしてから再度行ってください。\r\n"_sj);
    EXPECT_EQ(page.substr(page.size() - japanese.size()), japanese);
  }
  board_.env().sleeps.clear();
  EXPECT_EQ(RowNumbers(board_.Get(10, 0, 1)), Range(3, 1));
  EXPECT_TRUE(board_.env().sleeps.empty());
}

// Counts what is read from the index.
class CountingFile : public File {
 public:
  CountingFile(std::unique_ptr<File> f, int* reads, uint64_t* bytes) : f_(std::move(f)), reads_(reads), bytes_(bytes) {}
  Status Size(uint64_t* size) override { return f_->Size(size); }
  Status ReadAt(uint64_t offset, std::size_t n, std::string* out) override {
    ++*reads_;
    Status s = f_->ReadAt(offset, n, out);
    *bytes_ += out->size();
    return s;
  }
  Status WriteAt(uint64_t offset, std::string_view data) override { return f_->WriteAt(offset, data); }
  Status Truncate(uint64_t size) override { return f_->Truncate(size); }

 private:
  std::unique_ptr<File> f_;
  int* reads_;
  uint64_t* bytes_;
};

class CountingEnv : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  Status Open(const std::string& path, OpenMode mode, std::unique_ptr<File>* out) override {
    Status s = EnvWrapper::Open(path, mode, out);
    if (s.ok() && path.ends_with(".idx")) *out = std::make_unique<CountingFile>(std::move(*out), &reads, &bytes);
    return s;
  }
  int reads = 0;
  uint64_t bytes = 0;
};

TEST_F(TitleList, RowsAreReadInOneGo) {
  AddArticles(300);
  struct Case {
    int number, view_limit;
    uint64_t records;
  } cases[] = {{0, 0, 10}, {150, 0, 10}, {4, 0, 4}, {0, 3, 4}};
  for (const Case& c : cases) {
    CountingEnv env(&board_.env());
    Output out(&env);
    Request req(&env, &out);
    req.board = "test";
    req.files = BoardFiles(board_.dir().path(), "test");
    req.settings.view_limit = c.view_limit;
    req.labels = ChooseLabels(false, false, false);
    req.number = c.number;
    TitleListPage(req);
    out.Flush();
    EXPECT_EQ(env.reads, 1) << "number " << c.number;
    EXPECT_EQ(env.bytes, c.records * kRecordSize) << "number " << c.number;
  }
}

}  // namespace
}  // namespace kiroq
