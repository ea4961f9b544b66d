// The article list page (action 11): whole requests against boards of a few
// dozen articles, the post form on top and the paging links below.
#include "pages/article_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "app/run.h"
#include "board_fixture.h"
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

// The numbers of the article blocks on an English page, in page order.
std::vector<int> Shown(const std::string& page) {
  static const std::regex kNumber("Article No</FONT></TD><TD>([0-9]+)\r\n");
  std::vector<int> shown;
  for (std::sregex_iterator it(page.begin(), page.end(), kNumber), end; it != end; ++it) {
    shown.push_back(std::stoi((*it)[1]));
  }
  return shown;
}

constexpr int kPlain = -1;    // the label is written without a link
constexpr int kMissing = -2;  // the label is not on the page

// Where the English paging link with this label leads (page size 10).
int PageLink(const std::string& page, const std::string& label) {
  std::smatch m;
  if (std::regex_search(page, m,
                        std::regex("\\[<A HREF=\"kiroq\\.exe\\?test\\+10\\+(-?[0-9]+)\\+11\">" + label + "</A>\\]"))) {
    return std::stoi(m[1]);
  }
  return page.find("[" + label + "]") != std::string::npos ? kPlain : kMissing;
}

// The line after the first line that contains what.
std::string LineAfter(const std::string& page, const std::string& what) {
  std::size_t at = page.find(what);
  if (at == std::string::npos) return "(missing)";
  std::size_t start = page.find("\r\n", at) + 2;
  return page.substr(start, page.find("\r\n", start) - start);
}

class ArticleList : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.File(".HED", "<HTML>");
    board_.File(".FOT", "</HTML>");
    board_.Settings({"JAPANESE=0"});
  }

  // Articles 1..count; the numbers in deleted carry the deleted mark, the
  // others a deletion password.
  void AddArticles(int count, const std::vector<int>& deleted = {}) {
    for (int n = 1; n <= count; ++n) {
      IndexRecord rec = SampleRecord("article " + std::to_string(n));
      for (int d : deleted) rec.deleted = rec.deleted || d == n;
      rec.password = "pw";
      board_.AddArticle(rec, "body of " + std::to_string(n));
    }
  }

  std::string Path(const std::string& ext) { return board_.dir().path() + "bbsdb/test" + ext; }

  BoardFixture board_;
};

TEST_F(ArticleList, EmptyEnglishBoardWholePage) {
  board_.Settings({"JAPANESE=0", "USECOOKIE=1", "USEMAIL=1", "UNTITLE=untitled", "USEDEFAULT=1"});
  EXPECT_EQ(board_.Get(10, 0, 11),
            std::string(kHeader) +
                std::string(
                    "<HTML>\r\n"
                    "View:[<A HREF=\"kiroq.exe?test+10+0+1\">Title</A>][<A HREF=\"kiroq.exe?test+10+0+2\">Tree</A>]"
                    "<BR>\r\n"
                    "<BR>\r\n"
                    "<FORM ACTION=\"kiroq.exe?test+10+0+6\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
                    "<TABLE BORDER=0>\r\n"
                    "<TR><TD>Name:</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"NAME\" SIZE=\"60\" VALUE=\"\"></TD></TR>\r\n"
                    "<TR><TD>EMail：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"EMAIL\" SIZE=\"60\" VALUE=\"\"></TD></TR>\r\n"
                    "<TR><TD>Title：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" VALUE=\"untitled\">"
                    "</TD></TR>\r\n"
                    "<TR><TD>Delete Password :</TD><TD><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"10\" "
                    "VALUE=\"\"><BR>\r\n"
                    "<FONT COLOR=\"RED\">Warning</FONT>：It can't be removed any more though it can make remarks "
                    "even if a password isn't inputted.<BR>\r\n"
                    "</TABLE>\r\n"
                    "<TEXTAREA NAME=\"CONTENT\" ROWS=10 COLS=60></TEXTAREA><BR>\r\n"
                    "<INPUT TYPE=\"SUBMIT\" VALUE=\"Post\">\r\n"
                    "<INPUT TYPE=\"RESET\" VALUE=\"Reset\">\r\n"
                    "<INPUT NAME=\"COOKIE\" TYPE=\"CHECKBOX\" VALUE=\"on\" checked>Save your name and mail address "
                    "and etc...\r\n"
                    "</FORM>\r\n"
                    "<HR>\r\n"
                    // Number 0 on a board without articles: newer to 0, older to 1.
                    "[<A HREF=\"kiroq.exe?test+10+0+11\">Next page</A>]"
                    "[<A HREF=\"kiroq.exe?test+10+1+11\">Previous page</A>]</HTML>\r\n"_sj));
}

TEST_F(ArticleList, JapaneseFormStartWithRememberedValues) {
  board_.Settings({"JAPANESE=1", "USECOOKIE=1", "USEMAIL=1", "USEURL=1", "USEDELETEPASS=1", "VIEWSELECT=11"});
  board_.env().vars["HTTP_COOKIE"] = "NAME=Ann; EMAIL=a@b; PWD=p\"><script>";
  std::string page = board_.Get(10, 0, 11);
  const std::string start(
      "<HTML>\r\n"
      "閲覧：[<A HREF=\"kiroq.exe?test+10+0+11\">本文一覧表示</A>]<BR>\r\n"
      "<BR>\r\n"
      "<FORM ACTION=\"kiroq.exe?test+10+0+6\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
      "<TABLE BORDER=0>\r\n"
      "<TR><TD>氏名:</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"NAME\" SIZE=\"60\" VALUE=\"Ann\"></TD></TR>\r\n"
      "<TR><TD>EMail：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"EMAIL\" SIZE=\"60\" VALUE=\"a@b\"></TD></TR>\r\n"
      "<TR><TD>タイトル：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" VALUE=\"\"></TD></TR>\r\n"
      "<TR><TD>URL：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"URL\" SIZE=\"60\" VALUE=\"\"></TD></TR>\r\n"
      "<TR><TD>削除用パスワード：</TD><TD><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"10\" "
      "VALUE=\"p&quot;&gt;&lt;script&gt;\"><BR>\r\n"
      "<FONT COLOR=\"RED\">注意</FONT>：パスワードを入力してください。</TD></TR>\r\n"
      "</TABLE>\r\n"
      "<TEXTAREA NAME=\"CONTENT\" ROWS=10 COLS=60></TEXTAREA><BR>\r\n"_sj);
  EXPECT_EQ(page.substr(sizeof(kHeader) - 1, start.size()), start);
  EXPECT_EQ(page.find("<script>"), std::string::npos);
}

TEST_F(ArticleList, WarningLineByModeLanguageAndPasswordRule) {
  struct Case {
    const char* imode;
    const char* japanese;
    const char* delete_pass;
    std::string line;
  };
  const Case cases[] = {
      {"1", "1", "1", std::string("<FONT COLOR=\"RED\">注意</FONT>：パスワードを入力してください。<BR>"_sj)},
      {"1", "1", "0",
       std::string("<FONT COLOR=\"RED\">注意</FONT>：パスワードを入力しないと削除が出来なくなります。<BR>"_sj)},
      {"1", "0", "1", std::string("<FONT COLOR=\"RED\">Warning</FONT>：Plase input delete-password.<BR>"_sj)},
      {"1", "0", "0",
       std::string("<FONT COLOR=\"RED\">Warning</FONT>：It can't be removed any more though it can make remarks even "
                   "if a password isn't inputted.<BR>"_sj)},
      {"0", "1", "1", std::string("<FONT COLOR=\"RED\">注意</FONT>：パスワードを入力してください。</TD></TR>"_sj)},
      {"0", "1", "0",
       std::string("<FONT COLOR=\"RED\">注意</FONT>：パスワードを入力しないと削除が出来なくなります。</TD></TR>"_sj)},
      {"0", "0", "1", std::string("<FONT COLOR=\"RED\">Warning</FONT>：Plase input delete-password.<BR>"_sj)},
      {"0", "0", "0",
       std::string("<FONT COLOR=\"RED\">Warning</FONT>：It can't be removed any more though it can make remarks even "
                   "if a password isn't inputted.<BR>"_sj)},
  };
  for (const Case& c : cases) {
    board_.Settings({std::string("IMODE=") + c.imode, std::string("JAPANESE=") + c.japanese,
                     std::string("USEDELETEPASS=") + c.delete_pass});
    std::string page = board_.Get(10, 0, 11);
    EXPECT_EQ(LineAfter(page, "NAME=\"PASSWORD\""), c.line) << c.imode << c.japanese << c.delete_pass;
  }
}

TEST_F(ArticleList, MobileFormHasNoTable) {
  board_.Settings({"JAPANESE=1", "IMODE=1"});
  std::string page = board_.Get(10, 0, 11);
  EXPECT_NE(page.find("<FORM ACTION=\"kiroq.exe?test+10+0+6\" METHOD=\"POST\">\r\n"), std::string::npos);
  EXPECT_NE(page.find("削除用パスワード<BR><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"10\" VALUE=\"\"><BR>\r\n"
                      "<FONT COLOR=\"RED\">注意</FONT>：パスワードを入力しないと削除が出来なくなります。<BR>\r\n"
                      "<TEXTAREA"_sj),
            std::string::npos);
  EXPECT_EQ(page.find("<TABLE"), std::string::npos);
  EXPECT_EQ(page.find("</TABLE>"), std::string::npos);
}

TEST_F(ArticleList, PostButtonReplacesTheFormAndReadOnlyRemovesBoth) {
  AddArticles(1);
  board_.Settings({"JAPANESE=0", "POSTBUTTON=1"});
  std::string page = board_.Get(10, 0, 11);
  EXPECT_NE(page.find("]<BR>\r\n[<A HREF=\"kiroq.exe?test+10+0+0\">New</A>]<BR>\r\n<HR>\r\n"), std::string::npos);
  EXPECT_EQ(page.find("<FORM"), std::string::npos);

  board_.Settings({"JAPANESE=0", "READONLY=1", "POSTBUTTON=1"});
  page = board_.Get(10, 0, 11);
  EXPECT_NE(page.find("Tree</A>]<BR>\r\n<HR>\r\n<TABLE BORDER=0>"), std::string::npos);
  EXPECT_EQ(page.find("<FORM"), std::string::npos);
  EXPECT_EQ(page.find("+0+0\""), std::string::npos);
  EXPECT_EQ(Shown(page), std::vector<int>{1});
}

TEST_F(ArticleList, PagingThroughTwentyFiveArticles) {
  AddArticles(25);
  std::string page = board_.Get(10, 0, 11);
  EXPECT_EQ(Shown(page), Range(25, 16));
  EXPECT_EQ(PageLink(page, "Next page"), kPlain);
  EXPECT_EQ(PageLink(page, "Previous page"), 15);

  page = board_.Get(10, 15, 11);
  EXPECT_EQ(Shown(page), Range(15, 6));
  EXPECT_EQ(PageLink(page, "Next page"), 25);
  EXPECT_EQ(PageLink(page, "Previous page"), 5);

  page = board_.Get(10, 5, 11);
  EXPECT_EQ(Shown(page), Range(5, 1));
  EXPECT_EQ(PageLink(page, "Next page"), 15);
  EXPECT_NE(page.find("[Previous page]<BR>\r\n</HTML>"), std::string::npos);
}

TEST_F(ArticleList, NumbersOutsideTheBoardStartAtTheNewest) {
  AddArticles(12);
  for (std::string number : {"13", "40", "-1", "-2147483648", "2147483647"}) {
    std::string page = board_.Run({"test", "10", number, "11"});
    EXPECT_EQ(Shown(page), Range(12, 3)) << number;
    EXPECT_EQ(PageLink(page, "Previous page"), 2) << number;
  }
}

TEST_F(ArticleList, DeletedArticlesTakeNoPlaceOnThePage) {
  AddArticles(25, {24, 20});
  std::string page = board_.Get(10, 0, 11);
  EXPECT_EQ(Shown(page), (std::vector<int>{25, 23, 22, 21, 19, 18, 17, 16, 15, 14}));
  EXPECT_EQ(PageLink(page, "Previous page"), 13);
  // The newer link counts only what was shown: 12 + 10 + 11.
  EXPECT_EQ(PageLink(page, "Next page"), 33);

  board_.Settings({"JAPANESE=0", "DELETEVISIBLE=1"});
  page = board_.Get(10, 0, 11);
  EXPECT_EQ(Shown(page), Range(25, 14));
  EXPECT_EQ(PageLink(page, "Previous page"), 13);
  EXPECT_NE(page.find(">24\r\n"), std::string::npos);
  EXPECT_NE(page.find("<FONT COLOR=\"RED\">削除されています</FONT></TD></TR>"_sj), std::string::npos);
  EXPECT_EQ(page.find("article 24"), std::string::npos);
}

TEST_F(ArticleList, ViewLimitShowsOneMoreThanTheLimit) {
  board_.Settings({"JAPANESE=0", "VIEWLIMIT=5"});
  AddArticles(30);
  std::string page = board_.Get(10, 0, 11);
  EXPECT_EQ(Shown(page), Range(30, 25));
  EXPECT_NE(page.find("<BR>\r\n<P>これ以上ログは表示出来ません<P>\r\n<HR>\r\n[Next page]"
                      "[<A HREF=\"kiroq.exe?test+10+24+11\">Previous page</A>]"_sj),
            std::string::npos);
  // A page that starts beyond the limit has the notice alone.
  page = board_.Get(10, 20, 11);
  EXPECT_TRUE(Shown(page).empty());
  EXPECT_NE(page.find("<P>これ以上ログは表示出来ません<P>"_sj), std::string::npos);
}

TEST_F(ArticleList, DeletionItemsAfterEachBlock) {
  board_.Settings({"JAPANESE=0", "USEDELETE=1", "DELETEVISIBLE=1"});
  IndexRecord with = SampleRecord("with"), without = SampleRecord("without"), gone = SampleRecord("gone");
  with.password = gone.password = "pw";
  gone.deleted = 1;
  board_.AddArticle(with, "one");
  board_.AddArticle(without, "two");
  board_.AddArticle(gone, "three");
  std::string page = board_.Get(10, 0, 11);
  EXPECT_NE(page.find("This sentence is being removed by a contributor.<BR>\r\n"
                      "[<A HREF=\"kiroq.exe?test+10+3+15\">Deleted</A>]<HR>\r\n"),
            std::string::npos);
  EXPECT_NE(page.find("two<BR>\r\n[Delete]<BR><HR>\r\n"), std::string::npos);
  EXPECT_NE(page.find("one<BR>\r\n[<A HREF=\"kiroq.exe?test+10+1+15\">Delete</A>]<HR>\r\n"), std::string::npos);

  // A board with its own article template has no deletion items here.
  board_.File(".mes", "<POSTNUMBER>:<POSTTITLE>");
  page = board_.Get(10, 0, 11);
  EXPECT_NE(page.find("2:without\r\n"), std::string::npos);
  EXPECT_EQ(page.find("+15\""), std::string::npos);
  EXPECT_EQ(page.find("[Delete]"), std::string::npos);
}

TEST_F(ArticleList, EachBlockLinksToItsOwnArticle) {
  board_.Settings({"JAPANESE=0", "ROMA=1"});
  AddArticles(3);
  std::string page = board_.Get(10, 0, 11);
  for (int n = 1; n <= 3; ++n) {
    std::string number = std::to_string(n);
    EXPECT_NE(page.find("body of " + number + "<BR>\r\n<A HREF=\"kiroq.exe?test+10+" + number + "+5\">"),
              std::string::npos)
        << n;
  }
}

TEST_F(ArticleList, PostTemplateTakesThePlaceOfTheForm) {
  board_.File(".post", "<POSTACTION>\r\n<POSTACTIONEND>");
  AddArticles(1);
  std::string page = board_.Get(10, 0, 11);
  EXPECT_NE(page.find("<HTML>\r\n<FORM ACTION=\"kiroq.exe?test+10+0+6\" METHOD=\"POST\" "
                      "ENCTYPE=\"multipart/form-data\">\r\n</FORM>\r\n<HR>\r\n<TABLE BORDER=0>"),
            std::string::npos);
  EXPECT_EQ(page.find("View:"), std::string::npos);
  EXPECT_EQ(Shown(page), std::vector<int>{1});

  board_.Settings({"JAPANESE=0", "READONLY=1"});
  page = board_.Get(10, 0, 11);
  EXPECT_NE(page.find("<HTML>\r\n<HR>\r\n<TABLE BORDER=0>"), std::string::npos);
}

TEST_F(ArticleList, PostingFromTheListComesBackToIt) {
  AddArticles(2);
  std::string page =
      board_.Post({"test", "10", "0", "6"},
                  {{"NAME", "Cy"}, {"TITLE", "fresh"}, {"PASSWORD", "pw"}, {"CONTENT", "hello from the list"}});
  EXPECT_EQ(board_.Count(), 3);
  EXPECT_EQ(Shown(page), Range(3, 1));
  EXPECT_NE(page.find("hello from the list<BR>"), std::string::npos);
  EXPECT_NE(page.find("<FORM ACTION=\"kiroq.exe?test+10+0+6\""), std::string::npos);
}

TEST_F(ArticleList, BusyIndexOrLogEndsThePage) {
  AddArticles(3);
  for (const char* ext : {".idx", ".log"}) {
    std::unique_ptr<File> held;
    ASSERT_TRUE(PosixEnv()->Open(Path(ext), OpenMode::kWriteExclusive, &held).ok());
    board_.env().sleeps.clear();
    std::string page = board_.Get(10, 0, 11);
    EXPECT_NE(page.find("</FORM>\r\nDon't open index file. Please wait a minute.\r\n"), std::string::npos) << ext;
    EXPECT_EQ(board_.env().sleeps, std::vector<int>(60, 100)) << ext;
    EXPECT_TRUE(Shown(page).empty()) << ext;
    EXPECT_EQ(page.find("</HTML>"), std::string::npos) << ext;
  }
}

// Counts the reads of the index and notes whether the index was still open
// when the log was opened.
class WatchingEnv : public EnvWrapper {
 public:
  WatchingEnv(Env* target, std::string index, std::string log)
      : EnvWrapper(target), index_(std::move(index)), log_(std::move(log)) {}

  int index_reads = 0;
  std::size_t index_bytes = 0;
  bool log_opened_with_index_open = false;

  Status Open(const std::string& path, OpenMode mode, std::unique_ptr<File>* out) override {
    Status s = EnvWrapper::Open(path, mode, out);
    if (!s.ok()) return s;
    if (path == log_ && index_open_ > 0) log_opened_with_index_open = true;
    if (path == index_) out->reset(new WatchedIndex(std::move(*out), this));
    return s;
  }

 private:
  class WatchedIndex : public File {
   public:
    WatchedIndex(std::unique_ptr<File> file, WatchingEnv* env) : file_(std::move(file)), env_(env) {
      ++env_->index_open_;
    }
    ~WatchedIndex() override { --env_->index_open_; }
    Status Size(uint64_t* size) override { return file_->Size(size); }
    Status ReadAt(uint64_t offset, std::size_t n, std::string* out) override {
      ++env_->index_reads;
      env_->index_bytes += n;
      return file_->ReadAt(offset, n, out);
    }
    Status WriteAt(uint64_t offset, std::string_view data) override { return file_->WriteAt(offset, data); }
    Status Truncate(uint64_t size) override { return file_->Truncate(size); }

   private:
    std::unique_ptr<File> file_;
    WatchingEnv* env_;
  };

  std::string index_, log_;
  int index_open_ = 0;
};

TEST_F(ArticleList, ReadsOnlyTheRecordsThePageNeeds) {
  AddArticles(300, {295});
  WatchingEnv env(&board_.env(), Path(".idx"), Path(".log"));
  board_.env().stdout_data.clear();
  RunRequest(&env, {"test", "10", "0", "11"}, board_.dir().path());
  EXPECT_EQ(Shown(board_.env().stdout_data), (std::vector<int>{300, 299, 298, 297, 296, 294, 293, 292, 291, 290}));
  EXPECT_EQ(env.index_reads, 1);
  EXPECT_LE(env.index_bytes, 18 * kRecordSize);
  EXPECT_FALSE(env.log_opened_with_index_open);

  // Many deleted articles: the page reaches further, a block at a time.
  BoardFixture sparse;
  sparse.File(".HED", "<HTML>");
  sparse.Settings({"JAPANESE=0"});
  for (int n = 1; n <= 300; ++n) {
    IndexRecord rec = SampleRecord("a");
    rec.deleted = n >= 40 && n <= 299;
    sparse.AddArticle(rec, "b");
  }
  WatchingEnv sparse_env(&sparse.env(), sparse.dir().path() + "bbsdb/test.idx", sparse.dir().path() + "bbsdb/test.log");
  RunRequest(&sparse_env, {"test", "10", "0", "11"}, sparse.dir().path());
  std::vector<int> expected = Range(39, 31);
  expected.insert(expected.begin(), 300);
  EXPECT_EQ(Shown(sparse.env().stdout_data), expected);
  EXPECT_GT(sparse_env.index_reads, 1);
  EXPECT_FALSE(sparse_env.log_opened_with_index_open);
}

}  // namespace
}  // namespace kiroq
