// Posting from a form to the stored article, whole requests with multipart
// bodies as browsers send them.
#include <gtest/gtest.h>

#include "board/reply_title.h"
#include "board_fixture.h"
#include "pages/post_forms.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

const char kHeader[] =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";

class PostingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.env().SetLocalTime(2026, 12, 8, 10, 30, 15);
    board_.env().vars["REMOTE_ADDR"] = "192.0.2.10";
    board_.env().vars["HTTP_REFERER"] = "https://bbs.example.jp/cgi-bin/kiroq.exe?test+10+0+0";
  }
  std::string PostNew(const Fields& fields) { return board_.Post({"test", "10", "0", "9"}, fields); }
  BoardFixture board_;
};

// A post is stamped with the time and the poster's host name; reading pages
// ask for neither (a time zone file, a name look-up each).
TEST_F(PostingTest, OnlyPostsAskTheClockAndTheHostName) {
  board_.Settings({"JAPANESE=1", "USEDATE=1", "CONVERTREMOTEHOST=1", "USEHOSTNAME=1", "USESEARCHLOG=1"});
  board_.env().vars["REMOTE_HOST"] = "192.0.2.10";
  board_.env().hosts["192.0.2.10"] = "client.example.jp";
  PostNew({{"NAME", "a"}, {"TITLE", "t"}, {"CONTENT", "body"}});
  ASSERT_EQ(board_.Count(), 1);
  EXPECT_EQ(board_.Record(0).host, "client.example.jp");
  EXPECT_GE(board_.env().reverse_lookups, 1);
  EXPECT_GE(board_.env().local_time_reads, 1);
  for (int action : {0, 1, 2, 3, 4, 5, 11, 12}) {
    board_.env().reverse_lookups = board_.env().local_time_reads = 0;
    const std::string page = board_.Get(10, 1, action);
    if (action != 0 && action != 4) {  // the forms show no article's date
      EXPECT_NE(page.find("2026/12/08 10:30:15"), std::string::npos) << action;
    }
    EXPECT_EQ(board_.env().reverse_lookups, 0) << action;
    EXPECT_EQ(board_.env().local_time_reads, 0) << action;
  }
}

TEST_F(PostingTest, NewPostIsStoredAndShown) {
  board_.Settings({"JAPANESE=1", "USEMAIL=1"});
  std::string body = std::string("本文です\r\n二行目"_sj);
  std::string out = PostNew({{"NAME", std::string("太郎"_sj)},
                             {"EMAIL", "taro@example.jp"},
                             {"TITLE", std::string("表題"_sj)},
                             {"PASSWORD", "pw"},
                             {"CONTENT", body}});
  ASSERT_EQ(board_.Count(), 1);
  EXPECT_EQ(board_.LogBytes(), body + "\r\n");  // the line break that ends the last line is kept
  IndexRecord r = board_.Record(0);
  EXPECT_EQ(r.name, "太郎"_sj);
  EXPECT_EQ(r.title, "表題"_sj);
  EXPECT_EQ(r.email, "taro@example.jp");
  EXPECT_EQ(r.password, "pw");
  EXPECT_EQ(r.body_start, 0);
  EXPECT_EQ(r.body_end, static_cast<int>(body.size()) + 1);
  EXPECT_EQ(r.parent, 0);
  EXPECT_EQ(r.host, "192.0.2.10");
  EXPECT_EQ(r.age, "内緒"_sj);
  EXPECT_EQ(r.sex, "内緒"_sj);
  DateTime t;
  ASSERT_TRUE(DecodePostDate(r.date, &t));
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.hour, 10);
  EXPECT_EQ(t.second, 15);
  // The page shows the newest article: the one just stored.
  EXPECT_EQ(out.substr(0, sizeof(kHeader) - 1), kHeader);
  EXPECT_NE(out.find("本文です<BR>\r\n二行目<BR>\r\n"_sj), std::string::npos);
}

// A reply to article 1 on a board of seven articles.
TEST_F(PostingTest, ReplyLinksToItsParent) {
  board_.Settings({"JAPANESE=0"});
  for (int i = 1; i <= 7; ++i) board_.AddArticle(SampleRecord("t" + std::to_string(i)), "b" + std::to_string(i));
  std::string before = board_.IndexBytes();
  board_.Post({"test", "10", "1", "9"}, {{"TITLE", "Re:01 t1"}, {"CONTENT", "answer"}});
  ASSERT_EQ(board_.Count(), 8);
  IndexRecord reply = board_.Record(7);
  EXPECT_EQ(reply.parent, 1);
  EXPECT_EQ(reply.title, "Re:01 t1");
  EXPECT_EQ(reply.age, "Secre");
  IndexRecord parent = board_.Record(0);
  EXPECT_EQ(parent.child_count, 1);
  EXPECT_EQ(parent.children[0], 7);
  // Only the parent's child list and count changed in the old records.
  std::string after = board_.IndexBytes();
  for (std::size_t i = 0; i < before.size(); ++i) {
    bool child_field = i >= 455 && i < 863;
    if (!child_field) {
      ASSERT_EQ(before[i], after[i]) << "byte " << i;
    }
  }
}

TEST_F(PostingTest, ReplyBeyondTheBoardBecomesAThreadTop) {
  board_.Settings({"JAPANESE=0"});
  board_.AddArticle(SampleRecord("t1"), "b1");
  board_.Post({"test", "10", "5", "9"}, {{"CONTENT", "lost parent"}});
  ASSERT_EQ(board_.Count(), 2);
  EXPECT_EQ(board_.Record(1).parent, 0);
  EXPECT_EQ(board_.Record(0).child_count, 0);
}

TEST_F(PostingTest, ArticleListPostBecomesAction11) {
  board_.Settings({"JAPANESE=0"});
  board_.Post({"test", "10", "0", "6"}, {{"CONTENT", "from the list"}});
  EXPECT_EQ(board_.Count(), 1);
}

struct Refusal {
  std::vector<std::string> settings;
  Fields fields;
  std::string_view expected;  // the page after the CGI header block
};

TEST_F(PostingTest, RefusalsStoreNothing) {
  board_.env().vars["REMOTE_HOST"] = "Dialup.Spam.Example.COM";
  const Refusal cases[] = {
      {{"JAPANESE=1"},
       {{"TITLE", "x"}},
       "<HTML><BODY>\r\n<H1>KIROQ ERROR</H1>\r\n本文が入力されていません。<BR>\r\n本文を入力後再度投稿して下さい。\r\n</BODY></HTML>\r\n"_sj},
      {{"JAPANESE=0"},
       {{"CONTENT", ""}},
       "<HTML><BODY>\r\n<H1>KIROQ ERROR</H1>\r\nNo Articles!<BR>\r\nPlease try again.\r\n</BODY></HTML>\r\n"},
      {{"JAPANESE=0", "CRLFCUT=1"},
       {{"CONTENT", "\r\n\r\n"}},
       "<HTML><BODY>\r\n<H1>KIROQ ERROR</H1>\r\nNo Articles!<BR>\r\nPlease try again.\r\n</BODY></HTML>\r\n"},
      {{"JAPANESE=1", "CANCELDOMAINLISTSTART", "", "spam.example", "CANCELDOMAINLISTEND"},
       {{"CONTENT", "hi"}},
       "<HTML><BODY>\r\n<H1>KIROQ ERROR</H1>\r\n発言者のドメインは書き込みを拒否されています。<BR>\r\n</BODY></HTML>\r\n"_sj},
      {{"JAPANESE=0", "CANCELDOMAINLISTSTART", "192.0.2.", "CANCELDOMAINLISTEND"},
       {{"CONTENT", "hi"}},
       "<HTML><BODY>\r\n<H1>KIROQ ERROR</H1>\r\nyour domain is reject.<BR>\r\n</BODY></HTML>\r\n"},
      {{"JAPANESE=1", "USEDELETEPASS=1"},
       {{"CONTENT", "hi"}},
       "<HTML><BODY>\r\n<H1>KIROQ ERROR</H1>\r\n削除用のパスワードが入力されていません。<BR>\r\n削除用パスワードを入力後再度投稿して下さい。\r\n</BODY></HTML>\r\n"_sj},
      {{"JAPANESE=0", "CHECKSTRINGSTART", "badword", "CHECKSTRINGEND"},
       {{"CONTENT", "a bad\r\nword here"}},
       "<HTML><BODY>\r\n<H1>KIROQ ERROR</H1>\r\nAn inappropriate term in the body is contained.<BR>\r\nA remark was "
       "canceled.\r\n</BODY></HTML>\r\n"},
      {{"JAPANESE=1", "READONLY=1"},
       {{"CONTENT", "hi"}, {"PASSWORD2", ""}},
       "<HTML><BODY>\r\n<H1>PASSWORD ERROR!!</H1>\r\n管理用パスワードが間違っています<BR>\r\n発言はキャンセルされました。\r\n</BODY></HTML>\r\n"_sj},
      {{"JAPANESE=0", "USEDEFAULT=3"}, {{"CONTENT", "hi"}, {"NAME", "n"}}, "A subject isn't being inputted.\r\n"},
      {{"JAPANESE=1", "USEDEFAULT=3"},
       {{"CONTENT", "hi"}, {"TITLE", "t"}},
       "氏名が記入されていません。戻って氏名を記入してください。\r\n"_sj},
      {{"JAPANESE=0", "USEMAIL=1"},
       {{"CONTENT", "hi"}, {"EMAIL", "nobody.example.com"}},
       "<HTML>\r\n<H1>KIROQ ERROR</H1>\r\n"
       "Though a mail address is being written down, it has the possibility which isn't right.<BR>\r\n"
       "Confirm a mail address.\r\n"
       "Click <A HREF=\"https://bbs.example.jp/cgi-bin/kiroq.exe?test+10+0+0\">here</A>, plase try "
       "agein.\r\n</HTML>\r\n"},
  };
  for (const Refusal& c : cases) {
    board_.Settings(c.settings);
    std::string out = PostNew(c.fields);
    EXPECT_EQ(out, std::string(kHeader) + std::string(c.expected)) << c.settings.back();
    EXPECT_EQ(board_.Count(), 0) << c.settings.back();
    EXPECT_EQ(board_.LogBytes(), "") << c.settings.back();
  }
}

TEST_F(PostingTest, RefusalTextsAreShiftJis) {
  board_.Settings({"JAPANESE=1"});
  std::string out = PostNew({{"TITLE", "x"}});
  EXPECT_NE(out.find("本文が入力されていません。"_sj), std::string::npos);
}

TEST_F(PostingTest, DefaultsFillAnEmptyTitleAndName) {
  board_.Settings({"JAPANESE=0", "USEDEFAULT=2", "UNTITLE=untitled", "UNNAME=anonymous"});
  PostNew({{"CONTENT", "x y"}});
  EXPECT_EQ(board_.Record(0).title, "untitled");
  EXPECT_EQ(board_.Record(0).name, "anonymous");
}

TEST_F(PostingTest, ReadOnlyBoardTakesTheControlPassword) {
  board_.Settings({"JAPANESE=0", "READONLY=1"});
  // Without a control password nobody posts, not even with an empty one.
  PostNew({{"CONTENT", "hi"}, {"PASSWORD2", ""}});
  board_.Post({"test", "10", "0", "6"}, {{"CONTENT", "hi"}});
  EXPECT_EQ(board_.Count(), 0);
}

TEST_F(PostingTest, CookiesAfterAPost) {
  board_.Settings({"JAPANESE=0", "USECOOKIE=1", "USEMAIL=1"});
  std::string out =
      PostNew({{"NAME", "bob"}, {"EMAIL", "b@x"}, {"PASSWORD", "pw"}, {"CONTENT", "hi"}, {"COOKIE", "on"}});
  const std::string remembered =
      "Set-Cookie: NAME=bob; expires=Wednesday, 08-Dec-2027 01:30:15 GMT; path=/cgi-bin/; HttpOnly;\r\n"
      "Set-Cookie: EMAIL=b@x; expires=Wednesday, 08-Dec-2027 01:30:15 GMT; path=/cgi-bin/; HttpOnly;\r\n"
      "Set-Cookie: PWD=pw; expires=Wednesday, 08-Dec-2027 01:30:15 GMT; path=/cgi-bin/; HttpOnly;\r\n"
      "Content-Type: Text/html\r\n";
  EXPECT_EQ(out.substr(0, remembered.size()), remembered);
  // Without the box ticked nothing is remembered.
  out = PostNew({{"NAME", "bob"}, {"CONTENT", "hi"}});
  EXPECT_EQ(out.substr(0, sizeof(kHeader) - 1), kHeader);

  board_.Settings({"JAPANESE=0", "USECOOKIE=1", "COOKIEDELETE=1"});
  out = PostNew({{"NAME", "bob"}, {"PASSWORD", "pw"}, {"CONTENT", "hi"}});
  const std::string temporary =
      "Set-Cookie: NAME=bob; path=/cgi-bin/; HttpOnly;\r\n"
      "Set-Cookie: PWD=pw; path=/cgi-bin/; HttpOnly;\r\n"
      "Content-Type: Text/html\r\n";
  EXPECT_EQ(out.substr(0, temporary.size()), temporary);
  // Reading a page never touches the cookies.
  EXPECT_EQ(board_.Get(10, 0, 3).substr(0, 13), "Content-Type:");
}

TEST_F(PostingTest, MembersPostUnderTheirMemberName) {
  board_.dir().Write("members.txt", "Alice,secret,alice@example.jp,\"Alice Liddell\"\r\nbob,pw,b@x,Bob Smith\r\n");
  board_.Settings({"JAPANESE=0", "USEMAIL=1", "MEMBERSONLY=" + board_.dir().path() + "members.txt",
                   "LOGINDAT=" + board_.dir().path() + "failed.log"});
  PostNew({{"MEMID", "ALICE"}, {"MEMPASS", "secret"}, {"NAME", "mallory"}, {"CONTENT", "hi"}});
  ASSERT_EQ(board_.Count(), 1);
  EXPECT_EQ(board_.Record(0).name, "Alice Liddell");
  EXPECT_EQ(board_.Record(0).email, "alice@example.jp");
  // Five items (an unquoted blank in the name) never match; a password is exact.
  for (auto [id, pass] : {std::pair{"bob", "pw"}, std::pair{"alice", "SECRET"}}) {
    std::string out = PostNew({{"MEMID", id}, {"MEMPASS", pass}, {"CONTENT", "hi"}});
    EXPECT_NE(out.find("<HTML><BODY>\r\nID and a password are wrong.Don't post.\r\n</BODY></HTML>\r\n"),
              std::string::npos);
  }
  EXPECT_EQ(board_.Count(), 1);
  EXPECT_EQ(board_.dir().Read("failed.log"),
            "\"2026/12/08\",\"10:30:15\",\"bob\",\"********\",\"192.0.2.10\",\"192.0.2.10\"\r\n"
            "\"2026/12/08\",\"10:30:15\",\"alice\",\"********\",\"192.0.2.10\",\"192.0.2.10\"\r\n");
}

class ToggleTest : public PostingTest {
 protected:
  void SetUp() override {
    PostingTest::SetUp();
    board_.Settings({"JAPANESE=0"});
    IndexRecord with = SampleRecord("mine");
    with.password = "Secret";
    board_.AddArticle(with, "body one");
    board_.AddArticle(SampleRecord("no password"), "body two");
  }
};

TEST_F(ToggleTest, CookiePasswordFlipsTheMark) {
  board_.env().vars["HTTP_COOKIE"] = "PWD=Secret";
  std::string out = board_.Get(10, 1, 8);
  EXPECT_TRUE(board_.Record(0).is_deleted());
  EXPECT_NE(out.find("This sentence is being removed by a contributor."), std::string::npos);
  board_.Get(10, 1, 8);
  EXPECT_FALSE(board_.Record(0).is_deleted());
  board_.env().vars["HTTP_COOKIE"] = "PWD=secret";  // case counts
  out = board_.Get(10, 1, 8);
  EXPECT_FALSE(board_.Record(0).is_deleted());
  EXPECT_NE(out.find("body one"), std::string::npos);
  board_.env().vars["HTTP_COOKIE"] = "PWD=";
  board_.Get(10, 2, 8);  // stored without a password: never toggled
  EXPECT_FALSE(board_.Record(1).is_deleted());
}

TEST_F(ToggleTest, PostedPasswordFlipsTheMark) {
  std::string out = board_.Post({"test", "10", "1", "14"}, {{"DELPASSWORD", "Secret"}});
  EXPECT_TRUE(board_.Record(0).is_deleted());
  EXPECT_EQ(out.find("A password for the elimination is wrong."), std::string::npos);
  out = board_.Post({"test", "10", "1", "14"}, {{"DELPASSWORD", "wrong"}});
  EXPECT_TRUE(board_.Record(0).is_deleted());
  EXPECT_NE(out.find("A password for the elimination is wrong.\r\n"), std::string::npos);
  out = board_.Post({"test", "10", "2", "14"}, {{"DELPASSWORD", ""}});
  EXPECT_FALSE(board_.Record(1).is_deleted());
  EXPECT_NE(out.find("A password for the elimination is wrong.\r\n"), std::string::npos);
}

TEST(ReplyTitles, CountsUpAlongTheThread) {
  EXPECT_EQ(ReplyTitle("Re:09 subject", false), "Re:10 subject");
  EXPECT_EQ(ReplyTitle("Re:99 x", false), "Re:100 x");
  EXPECT_EQ(ReplyTitle("Re:05subject", false), "Re:06 subject");
  EXPECT_EQ(ReplyTitle("Re:5 subject", false), "Re:01 Re:5 subject");
  EXPECT_EQ(ReplyTitle("subject", false), "Re:01 subject");
  EXPECT_EQ(ReplyTitle("RE:02 x", false), "Re:01 RE:02 x");
  EXPECT_EQ(ReplyTitle("Re:", false), "Re:01 Re:");
  EXPECT_EQ(ReplyTitle(std::string(84, 'a'), false), "Re:01 " + std::string(80, 'a'));
  // A double-byte character at the cut is left out whole.
  std::string kana(80, 'a');
  kana += "あ"_sj;
  EXPECT_EQ(ReplyTitle(kana, true), "Re:01 " + std::string(80, 'a'));
}

TEST(QuotedBodies, PrefixAfterEveryLineBreak) {
  EXPECT_EQ(QuoteBody("a\r\nb\rc\nd", "> "), "> a\r\n> b\r\n> c\nd");
  EXPECT_EQ(QuoteBody("", "> "), "> ");
}

}  // namespace
}  // namespace kiroq
