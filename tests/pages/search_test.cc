// Search (action 10): the keyword finder on its own, and whole requests
// posting the search form.
#include "pages/search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "board_fixture.h"
#include "storage/board_files.h"
#include "storage/record.h"
#include "text/keyword_finder.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

// The finder's answer worked out the slow way: every place, compared
// whole, its character boundary found by walking the body from its start.
bool NaiveFound(std::string_view body, std::string_view keyword, bool japanese) {
  if (keyword.empty()) return false;
  std::size_t boundary = 0;
  for (std::size_t i = 0; i + keyword.size() <= body.size(); ++i) {
    while (boundary < i) boundary += IsLeadByte(body[boundary]) ? 2 : 1;
    if (body.substr(i, keyword.size()) == keyword && (!japanese || boundary == i)) return true;
  }
  return false;
}

// Both ways of scanning: for the keyword's first and last bytes (untuned),
// and for one rare byte (tuned on a sample where the keyword's last byte
// never occurs and its other bytes often do).
bool Found(std::string_view body, std::string_view keyword, bool japanese, bool tuned) {
  KeywordFinder finder(keyword, japanese);
  if (tuned) {
    std::string sample(4096, '~');
    for (char c : keyword) {
      if (c != keyword.back()) sample.append(64, c);
    }
    finder.Tune(sample);
  }
  return finder.FoundIn(body);
}

class SearchFinder : public ::testing::TestWithParam<bool> {};

TEST_P(SearchFinder, FindsEveryRealOccurrence) {
  const bool tuned = GetParam();
  const std::string filler(150, 'x');
  EXPECT_TRUE(Found("aaab", "aab", false, tuned));  // after a partial match
  EXPECT_TRUE(Found("xaab", "aab", false, tuned));
  EXPECT_TRUE(Found("ab", "b", false, tuned));  // one byte
  EXPECT_TRUE(Found("b", "b", false, tuned));
  EXPECT_FALSE(Found("aab", "aaab", false, tuned));  // longer than the body
  EXPECT_FALSE(Found("aaba", "abb", false, tuned));
  EXPECT_FALSE(Found("Keyword", "keyword", false, tuned));  // no case folding
  EXPECT_FALSE(Found("anything", "", false, tuned));
  // At the start, across the scan's 64-byte blocks, at the very end.
  for (std::size_t at : {0, 60, 63, 64, 127, 150}) {
    std::string body = filler;
    body.insert(at, "needle");
    EXPECT_TRUE(Found(body, "needle", false, tuned)) << at;
    EXPECT_FALSE(Found(body, "needles", false, tuned)) << at;
  }
}

TEST_P(SearchFinder, JapaneseMatchesStartOnACharacter) {
  const bool tuned = GetParam();
  ASSERT_EQ("表"_sj, "\x95\x5C");
  ASSERT_EQ("ポ"_sj, "\x83\x7C");
  EXPECT_FALSE(Found("表示"_sj, "\\", true, tuned));
  EXPECT_FALSE(Found("ポイント"_sj, "|", true, tuned));
  EXPECT_FALSE(Found(std::string(100, 'a') + std::string("ポイント"_sj) + std::string(100, 'a'), "|a", true, tuned));
  EXPECT_TRUE(Found("表示 C:\\"_sj, "\\", true, tuned));
  EXPECT_TRUE(Found("ポ|"_sj, "|", true, tuned));
  // The second 0x95 is the trail byte of the first: 表 starts after it.
  EXPECT_TRUE(Found("\x95\x95\x95\x5C", "\x95\x5C", true, tuned));
  EXPECT_FALSE(Found("\x95\x95\x5C", "\x95\x5C", true, tuned));
  // A long run of lead-range bytes where the keyword fits only from second
  // bytes: every place is refused, and the whole body costs one walk.
  std::string run;
  for (int i = 0; i < 500000; ++i) run += "\x95\x96";
  EXPECT_FALSE(Found(run, "\x96\x95", true, tuned));
  EXPECT_TRUE(Found(run, "\x95\x96", true, tuned));
  EXPECT_TRUE(Found(run + "\x96\x95", "\x96\x95", true, tuned));
  // On an English board the bytes are just bytes.
  EXPECT_TRUE(Found("表示"_sj, "\\", false, tuned));
}

TEST_P(SearchFinder, AgreesWithTheSlowWayOnRandomText) {
  const bool tuned = GetParam();
  // Few distinct bytes, lead bytes among them, so that partial matches and
  // characters split by a match are common.
  const char alphabet[] = {'a', 'b', '\\', '|', '\x95', '\x83', '\xE0'};
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pick(0, sizeof(alphabet) - 1);
  for (int round = 0; round < 3000; ++round) {
    std::string body(std::uniform_int_distribution<int>(0, 200)(rng), ' ');
    for (char& c : body) c = alphabet[pick(rng)];
    std::string keyword(std::uniform_int_distribution<int>(1, 4)(rng), ' ');
    for (char& c : keyword) c = alphabet[pick(rng)];
    for (bool japanese : {false, true}) {
      ASSERT_EQ(Found(body, keyword, japanese, tuned), NaiveFound(body, keyword, japanese))
          << "round " << round << " japanese " << japanese;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Search, SearchFinder, ::testing::Values(false, true));

// Article numbers of the result rows, in page order.
std::vector<int> RowNumbers(const std::string& page) {
  static const std::regex kRow("<TR><TD ALIGN=\"CENTER\"><A HREF=\"kiroq\\.exe\\?test\\+10\\+([0-9]+)\\+3\">");
  std::vector<int> rows;
  for (std::sregex_iterator it(page.begin(), page.end(), kRow), end; it != end; ++it) {
    rows.push_back(std::stoi((*it)[1]));
  }
  return rows;
}

class Search : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.File(".HED", "<HTML>");
    board_.File(".FOT", "</HTML>");
    board_.Settings({"JAPANESE=0"});
  }

  int Add(std::string_view body, const std::string& title = "t", bool deleted = false) {
    IndexRecord rec = SampleRecord(title);
    rec.deleted = deleted;
    return board_.AddArticle(rec, std::string(body));
  }

  std::string Find(std::string_view keyword) {
    return board_.Post({"test", "10", "0", "10"}, {{"SEARCHWORD", std::string(keyword)}});
  }

  std::string Path(const std::string& ext) { return board_.dir().path() + "bbsdb/test" + ext; }

  BoardFixture board_;
};

TEST_F(Search, WholeEnglishPage) {
  board_.Settings({"JAPANESE=0", "USEDATE=1", "TITLECLICK=1", "USEMAIL=1", "USEBORDER=1", "CELLPADDING=2",
                   "VIEWSELECT=1", "USESEARCHLOG=1"});
  IndexRecord top = SampleRecord("<b>Top</b>", "Ann & Bob");
  top.email = "ann@example.com";
  board_.AddArticle(top, "The needle is here.");
  board_.AddArticle(SampleRecord("Re:01 Top", "Cy", 1), "Another needle, twice: needle.");
  board_.AddArticle(SampleRecord("needle in the title"), "nothing");
  EXPECT_EQ(
      Find("needle"),
      std::string("Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
                  "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n"
                  "<HTML>\r\n"
                  "Search result　[<A HREF=\"kiroq.exe?test+10+0+1\">Title list</A>]<BR>"
                  "Move：[<A HREF=\"kiroq.exe?test+10+0+3\">New</A>][<A HREF=\"kiroq.exe?test+10+1+3\">Update</A>]\r\n"
                  "<TABLE BORDER=\"1\" CELLPADDING=\"2\">\r\n"
                  "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33AACC\">Article No</TD><TD BGCOLOR=\"#AAEEAA\">Date</TD>"
                  "<TD BGCOLOR=\"#33CCAA\">Title</TD><TD BGCOLOR=\"#AACCAA\">Posted by</TD>"
                  "<TD BGCOLOR=\"#33CC44\" ALIGN=\"CENTER\">Orojinal</TD></TR>\r\n"
                  "<TR><TD ALIGN=\"CENTER\"><A HREF=\"kiroq.exe?test+10+2+3\">2</A></TD><TD>2024/12/01 10:20:30</TD>"
                  "<TD><A HREF=\"kiroq.exe?test+10+2+3\">Re:01 Top</A></TD><TD>Cy</TD>"
                  "<TD ALIGN=\"CENTER\"><A HREF=\"kiroq.exe?test+0+1+3\">1</A></TD></TR>\r\n"
                  "<TR><TD ALIGN=\"CENTER\"><A HREF=\"kiroq.exe?test+10+1+3\">1</A></TD><TD>2024/12/01 10:20:30</TD>"
                  "<TD><A HREF=\"kiroq.exe?test+10+1+3\">&lt;b&gt;Top&lt;/b&gt;</A></TD>"
                  "<TD><A HREF=\"mailto:ann@example.com\">Ann &amp; Bob</A></TD>"
                  "<TD ALIGN=\"CENTER\">--</TD></TR>\r\n"
                  "</TABLE>\r\n"
                  "Search keyword [needle]<BR>\r\n"
                  "Hit count [2]<BR>\r\n"
                  "<FORM ACTION=\"kiroq.exe?test+10+0+10\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
                  "Search：<INPUT TYPE=\"TEXT\" NAME=\"SEARCHWORD\" SIZE=\"40\" VALUE=\"\">"
                  "<INPUT TYPE=\"SUBMIT\" VALUE=\"Go Search\"><BR>\r\n"
                  "</FORM>\r\n"
                  "</HTML>\r\n"_sj));
}

TEST_F(Search, JapaneseHeadingAndEmptyBoard) {
  board_.Settings({"JAPANESE=1", "VIEWSELECT=2"});
  std::string page = Find("x");
  EXPECT_NE(
      page.find(
          "検索結果　[<A HREF=\"kiroq.exe?test+10+0+2\">ツリー表示</A>]<BR>移動："
          "[<A HREF=\"kiroq.exe?test+10+0+3\">最新表示</A>][<A HREF=\"kiroq.exe?test+10+1+3\">先頭から表示</A>]\r\n"
          "<TABLE BORDER=\"0\">\r\n"
          "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33AACC\">文書番号</TD><TD BGCOLOR=\"#33CCAA\">タイトル</TD>"
          "<TD BGCOLOR=\"#AACCAA\">記入者</TD><TD BGCOLOR=\"#33CC44\" ALIGN=\"CENTER\">コメント元</TD></TR>\r\n"
          "</TABLE>\r\n検索キーワード [x]<BR>\r\nヒット数 [0]<BR>\r\n"_sj),
      std::string::npos);
  // Without USEDATE the English last heading is spelled right.
  board_.Settings({"JAPANESE=0", "VIEWSELECT=5"});
  page = Find("x");
  EXPECT_NE(page.find("Search result　Move："_sj), std::string::npos);
  EXPECT_NE(page.find("ALIGN=\"CENTER\">Original</TD></TR>"), std::string::npos);
}

TEST_F(Search, NewestFirstOneRowPerArticleVisibleBodiesOnly) {
  Add("an apple a day");                       // 1
  Add("no fruit", "apple in the title");       // 2: titles are not searched
  Add("apple, apple and apple");               // 3
  Add("rotten apple", "t", /*deleted=*/true);  // 4
  Add("");                                     // 5: no body at all
  Add("pineapple");                            // 6
  EXPECT_EQ(RowNumbers(Find("apple")), (std::vector<int>{6, 3, 1}));

  // A body whose end equals its start is one byte long and never searched.
  Add("q");   // 7
  Add("qq");  // 8
  std::string page = Find("q");
  EXPECT_EQ(RowNumbers(page), std::vector<int>{8});
  EXPECT_NE(page.find("Hit count [1]<BR>"), std::string::npos);
}

TEST_F(Search, PartialMatchesAndOneByteKeywords) {
  Add("aaab");  // 1
  Add("xaab");  // 2
  Add("aab");   // 3
  Add("abab");  // 4
  EXPECT_EQ(RowNumbers(Find("aab")), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(RowNumbers(Find("b")), (std::vector<int>{4, 3, 2, 1}));
}

TEST_F(Search, ShiftJisKeywordsStartOnACharacter) {
  board_.Settings({"JAPANESE=1"});
  Add("表示します"_sj);    // 1: 0x5C only inside 表
  Add("C:\\temp"_sj);      // 2
  Add("ポイント"_sj);      // 3: 0x7C only inside ポ
  Add("a|b ポイント"_sj);  // 4
  Add("表\\"_sj);          // 5: a real one after 表
  EXPECT_EQ(RowNumbers(Find("\\")), (std::vector<int>{5, 2}));
  EXPECT_EQ(RowNumbers(Find("|")), std::vector<int>{4});
  EXPECT_EQ(RowNumbers(Find("ポイ"_sj)), (std::vector<int>{4, 3}));
}

TEST_F(Search, EmptyKeywordFindsNothing) {
  Add("anything at all");
  std::string page = Find("");
  EXPECT_TRUE(RowNumbers(page).empty());
  EXPECT_NE(page.find("Search keyword []<BR>\r\nHit count [0]<BR>"), std::string::npos);
  // A search request without the field is the same.
  page = board_.Post({"test", "10", "0", "10"}, {{"OTHER", "anything"}});
  EXPECT_TRUE(RowNumbers(page).empty());
  EXPECT_NE(page.find("Hit count [0]"), std::string::npos);
}

TEST_F(Search, EchoedKeywordIsEscaped) {
  Add("a <b>\"&' c");
  std::string page = Find("<b>\"&'");
  EXPECT_EQ(RowNumbers(page), std::vector<int>{1});
  EXPECT_NE(page.find("Search keyword [&lt;b&gt;&quot;&amp;&#39;]<BR>"), std::string::npos);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
}

TEST_F(Search, BusyIndexFailsAtOnce) {
  Add("needle");
  board_.Settings({"JAPANESE=1"});
  std::unique_ptr<File> held;
  ASSERT_TRUE(PosixEnv()->Open(Path(".idx"), OpenMode::kWriteExclusive, &held).ok());
  std::string page = Find("needle");
  EXPECT_NE(
      page.find(
          "</TR>\r\n投稿中でインデックスファイルがオープンできません。暫く時間を置いて再度実行してください。\r\n"_sj),
      std::string::npos);
  EXPECT_TRUE(board_.env().sleeps.empty());
  EXPECT_EQ(page.find("</TABLE>"), std::string::npos);  // the request ended there
  EXPECT_EQ(page.find("</HTML>"), std::string::npos);
  held.reset();
  EXPECT_EQ(RowNumbers(Find("needle")), std::vector<int>{1});
}

TEST_F(Search, LogHeldByAnExclusiveReaderIsBusy) {
  Add("needle");
  std::unique_ptr<File> held;
  ASSERT_TRUE(PosixEnv()->Open(Path(".log"), OpenMode::kReadExclusive, &held).ok());
  std::string page = Find("needle");
  EXPECT_NE(page.find("\r\nNow, it's being written. Don't open log file. Wait a minute. Please retry agein.\r\n"),
            std::string::npos);
  EXPECT_TRUE(board_.env().sleeps.empty());
  EXPECT_TRUE(RowNumbers(page).empty());
}

TEST_F(Search, BodiesAnywhereInTheLog) {
  // Bodies out of log order, two records sharing one body, a body beyond
  // the end of the log, and a body longer than one read of the log.
  std::string log = std::string(1000, '.') + "first needle" + std::string(400000, '-') + "last needle";
  const int32_t early = 1000, late = 1000 + 12 + 400000;
  auto record = [](int32_t start, int32_t end) {
    IndexRecord r = SampleRecord("t");
    r.body_start = start;
    r.body_end = end;
    return r;
  };
  const IndexRecord records[] = {
      record(late, late + 10),                          // 1
      record(early, early + 11),                        // 2
      record(early, early + 11),                        // 3
      record(late, late + 100),                         // 4: ends beyond the log
      record(0, static_cast<int32_t>(log.size()) - 1),  // 5: the whole log
      record(early + 13, late - 1),                     // 6: dashes only
      record(-5, 20),                                   // 7: starts before the log
  };
  std::string index;
  for (const IndexRecord& r : records) index += EncodeRecord(r);
  board_.dir().Write("bbsdb/test.log", log);
  board_.dir().Write("bbsdb/test.idx", index);
  EXPECT_EQ(RowNumbers(Find("needle")), (std::vector<int>{5, 3, 2, 1}));
}

TEST_F(Search, ManyBodiesAcrossReads) {
  // About 1.2 MB of log: bodies straddle the boundaries of the log reads
  // and the index is read in several blocks.
  std::vector<int> expected;
  for (int n = 1; n <= 600; ++n) {
    std::string body(2000, static_cast<char>('a' + n % 20));
    if (n % 7 == 0) {
      body.replace(n % 1990, 6, "needle");
      expected.insert(expected.begin(), n);
    }
    Add(body);
  }
  EXPECT_EQ(RowNumbers(Find("needle")), expected);
}

// Rows are written in batches with the index closed between them: every
// hit of a board with several batches of them comes out once, newest first.
TEST_F(Search, RowsOfManyBatchesComeOutInOrder) {
  std::vector<int> expected;
  for (int k = 1; k <= 600; ++k) {
    Add(k % 3 ? "a needle here" : "nothing");
    if (k % 3) expected.insert(expected.begin(), k);
  }
  const std::string page = Find("needle");
  EXPECT_EQ(RowNumbers(page), expected);
  EXPECT_NE(page.find("Hit count [400]"), std::string::npos);
}

}  // namespace
}  // namespace kiroq
