// The Atom feed (action 40 with USEFEED) and the link to it in the pages'
// head: whole requests. The document of a small board is kept byte for byte
// in golden/feed.atom; KIROQ_UPDATE_GOLDEN=1 rewrites it after a deliberate
// change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

namespace fs = std::filesystem;

DateField LegacyDate(std::string_view text) {
  DateField f{};
  f[0] = static_cast<uint8_t>(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) f[1 + i] = static_cast<uint8_t>(text[i]);
  return f;
}

// The article numbers of the entries, in order, read from their ids.
std::vector<int> EntryNumbers(const std::string& feed) {
  std::vector<int> numbers;
  for (std::size_t at = 0; (at = feed.find("<entry>", at)) != std::string::npos; ++at) {
    const std::size_t id = feed.find("<id>", at);
    const std::size_t end = feed.rfind("+3</id>", feed.find("</id>", id) + 5);
    const std::size_t plus = feed.rfind('+', end - 1);
    numbers.push_back(std::atoi(feed.substr(plus + 1, end - plus - 1).c_str()));
  }
  return numbers;
}

bool IsFeed(const std::string& out) {
  return out.rfind("Content-Type: application/atom+xml; charset=utf-8\r\n\r\n<?xml", 0) == 0 && out.size() >= 9 &&
         out.compare(out.size() - 9, 9, "</feed>\r\n") == 0;
}

const char kLink[] =
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n"
    "<LINK REL=\"alternate\" TYPE=\"application/atom+xml\" TITLE=\"";

class Feed : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeEnv& env = board_.env();
    env.vars["SERVER_NAME"] = "bbs.example.jp";
    env.vars["SERVER_PORT"] = "8443";
    env.vars["HTTPS"] = "on";
    env.vars["SCRIPT_NAME"] = "/my bbs/kiroq.exe";
  }
  BoardFixture board_;
};

// Six articles: 1 and 2 too old for VIEWLIMIT=3, 3 with a legacy text
// date, 4 deleted, 5 with markup in its title, a Japanese name and a
// control character in its body, 6 with a date that cannot be read.
TEST_F(Feed, SmallBoardAsRecorded) {
  for (int k = 1; k <= 6; ++k) {
    IndexRecord r = SampleRecord("title " + std::to_string(k), "poster", k == 2 ? 1 : 0);
    r.date = EncodePostDate({2024, 12, k, 9, 30, k});
    if (k == 3) r.date = LegacyDate("03/05/01 12:34");
    if (k == 4) r.deleted = 1;
    if (k == 5) {
      r.title = "<script>alert('x')</script> & \"題\""_sj.view();
      r.name = std::string("山田 <b>"_sj.view());
    }
    if (k == 6) r.date = LegacyDate("yesterday");
    std::string body = "body of " + std::to_string(k) + "\r\n";
    if (k == 5) body = std::string("一行目 <i>&amp;</i>\r\nbell\x07 here\r\n\r\n"_sj.view());
    board_.AddArticle(r, body);
  }
  board_.Settings({"JAPANESE=1", "USEFEED=1", "VIEWLIMIT=3", std::string("FEEDTITLE=掲示板 <&>"_sj.view())});
  const std::string out = board_.Get(15, 0, 40);
  ASSERT_TRUE(IsFeed(out)) << out;
  EXPECT_EQ(EntryNumbers(out), (std::vector<int>{6, 5, 3}));
  EXPECT_EQ(out.find("<script"), std::string::npos);
  EXPECT_EQ(out.find("<b>"), std::string::npos);
  EXPECT_EQ(out.find('\x07'), std::string::npos);

  const fs::path golden = fs::path(__FILE__).parent_path() / "golden" / "feed.atom";
  const char* update = std::getenv("KIROQ_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(golden, std::ios::binary) << out;
    return;
  }
  std::ifstream in(golden, std::ios::binary);
  std::stringstream want;
  want << in.rdbuf();
  EXPECT_EQ(out, want.str()) << "KIROQ_UPDATE_GOLDEN=1 rewrites " << golden;
}

// The twenty newest visible articles, newest first; deleted ones leave no
// gap; the limit moves with the board; an empty board has a feed too.
TEST_F(Feed, TwentyNewestVisibleArticles) {
  board_.Settings({"USEFEED=1"});
  std::string empty = board_.Get(10, 0, 40);
  EXPECT_TRUE(IsFeed(empty)) << empty;
  EXPECT_EQ(empty.find("<entry>"), std::string::npos);
  EXPECT_NE(empty.find("<updated>1970-01-01T00:00:00+00:00</updated>"), std::string::npos);
  for (int k = 1; k <= 30; ++k) {
    IndexRecord r = SampleRecord("t" + std::to_string(k));
    r.deleted = k % 4 == 0 ? 1 : 0;
    board_.AddArticle(r, "b" + std::to_string(k) + "\r\n");
  }
  std::vector<int> want;
  for (int k = 30; want.size() < 20; --k) {
    if (k % 4 != 0) want.push_back(k);
  }
  EXPECT_EQ(EntryNumbers(board_.Get(10, 0, 40)), want);
  // Ids stay when the page size changes; links follow it.
  const std::string other = board_.Get(25, 0, 40);
  EXPECT_EQ(EntryNumbers(other), want);
  EXPECT_NE(other.find("<id>https://bbs.example.jp:8443/my%20bbs/kiroq.exe?test+10+30+3</id>"), std::string::npos);
  EXPECT_NE(other.find("href=\"https://bbs.example.jp:8443/my%20bbs/kiroq.exe?test+25+30+3\""), std::string::npos);
  board_.Settings({"USEFEED=1", "VIEWLIMIT=5"});
  EXPECT_EQ(EntryNumbers(board_.Get(10, 0, 40)), (std::vector<int>{30, 29, 27, 26, 25}));
}

// Members only: the feed is behind the same gate as every page.
TEST_F(Feed, BehindTheMembersGate) {
  board_.dir().Write("members.txt", "alice,secret,a@example.jp,Alice\r\n");
  board_.AddArticle(SampleRecord("members' news"), "inside\r\n");
  board_.Settings({"USEFEED=1", "MEMBERREADONLY=1", "MEMBERSONLY=" + board_.dir().path() + "members.txt"});
  for (const char* cookie : {"", "MEMID=alice; MEMPASS=wrong"}) {
    board_.env().vars["HTTP_COOKIE"] = cookie;
    const std::string out = board_.Get(10, 0, 40);
    EXPECT_NE(out.find("CONFMEMID"), std::string::npos) << cookie;
    EXPECT_EQ(out.find("members' news"), std::string::npos) << cookie;
  }
  board_.env().vars["HTTP_COOKIE"] = "MEMID=alice; MEMPASS=secret";
  const std::string out = board_.Get(10, 0, 40);
  EXPECT_TRUE(IsFeed(out)) << out;
  EXPECT_NE(out.find("<title>members&apos; news</title>"), std::string::npos);
}

// Without USEFEED action 40 is any action without a name and no page links
// a feed; with it, every HTML page of every action carries the link right
// after its first line, but on i-mode pages.
TEST_F(Feed, LinkOnEveryPageOnlyWithTheSwitch) {
  for (int k = 1; k <= 3; ++k) board_.AddArticle(SampleRecord("t" + std::to_string(k)), "b\r\n");
  board_.Settings({"USEMAIL=1"});
  EXPECT_EQ(board_.Get(10, 2, 40), board_.Get(10, 2, 41));
  for (int action = 0; action < 256; ++action) {
    EXPECT_EQ(board_.Get(10, 2, action).find("atom"), std::string::npos) << action;
  }
  board_.Settings({"USEMAIL=1", "USEFEED=1", "BBSMAN=1", "USEDELETE=1", "FILEUPLOAD=1", "USECOOKIESETTING=1"});
  int pages = 0;
  for (int action = 0; action < 256; ++action) {
    if (action == 40) continue;
    const std::string out = board_.Get(10, 2, action);
    if (out.rfind("Content-Type: Text/html\r\n", 0) != 0) continue;
    ++pages;
    EXPECT_NE(out.find(std::string(kLink) + "test\" HREF=\"kiroq.exe?test+10+0+40\">\r\n"), std::string::npos)
        << action << "\n"
        << out.substr(0, 300);
  }
  EXPECT_GT(pages, 200);
  board_.Settings({"USEFEED=1", "IMODE=1"});
  EXPECT_EQ(board_.Get(10, 2, 3).find("atom"), std::string::npos);
}

}  // namespace
}  // namespace kiroq
