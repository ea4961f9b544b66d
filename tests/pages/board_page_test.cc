// Paging through the thread index: every thread once, in order, and the
// newer-page links lead back through the same pages.
#include "pages/board_page.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "board/settings.h"
#include "board/thread_tree.h"
#include "board_fixture.h"
#include "thread_boards.h"

namespace kiroq {
namespace {

// 25 articles. Their dates run backwards (article k at 00:(60 - k), as if
// the clock were set back after every post): neither order looks at them.
// Tops: 1 A, 2 B, 4 C (deleted), 5 D, 7 E (deleted), 10 F, 11 G, 13 H
// (deleted), 15 I, 17 J, 18 K, 20 L, 22 M, 24 N. Replies: 3 and 23 to 1, 16
// to 3; 6 (deleted) to 5, 25 to 6; 8 to 7, 9 to 8; 12 to 2; 14 (deleted) to
// 13; 19 to 10, 21 (deleted) to 19.
void AddSampleBoard(BoardFixture& board) {
  struct Article {
    int parent;
    bool deleted;
  };
  const Article articles[25] = {{0, false}, {0, false}, {1, false}, {0, true},  {0, false},  {5, true},  {0, true},
                                {7, false}, {8, false}, {0, false}, {0, false}, {2, false},  {0, true},  {13, true},
                                {0, false}, {3, false}, {0, false}, {0, false}, {10, false}, {0, false}, {19, true},
                                {0, false}, {1, false}, {0, false}, {6, false}};
  for (int k = 1; k <= 25; ++k) {
    IndexRecord r = SampleRecord("title " + std::to_string(k), "name", articles[k - 1].parent);
    r.deleted = articles[k - 1].deleted ? 1 : 0;
    r.date = EncodePostDate({2024, 12, 1, 0, 60 - k, 0});
    board.AddArticle(r, "body " + std::to_string(k));
  }
}

struct Page {
  std::vector<int> keys;  // the first article number linked in each row
  long long newer = -1;   // -1: plain text
  long long older = -1;
  bool notice = false;
};

Page ParsePage(const std::string& out, int size) {
  Page page;
  const std::string s = std::to_string(size);
  const std::regex newer("\\[<A HREF=\"kiroq\\.exe\\?test\\+" + s + "\\+(-?\\d+)\\+2\">Next page</A>\\]");
  const std::regex older("\\[<A HREF=\"kiroq\\.exe\\?test\\+" + s + "\\+(-?\\d+)\\+2\">Previous page</A>\\]<BR>");
  std::smatch m;
  if (std::regex_search(out, m, newer)) {
    page.newer = std::stoll(m[1]);
  } else {
    EXPECT_NE(out.find("[Next page]"), std::string::npos);
  }
  if (std::regex_search(out, m, older)) {
    page.older = std::stoll(m[1]);
  } else {
    EXPECT_NE(out.find("[Previous page]<BR>"), std::string::npos);
  }
  // The paging items are written above and below the table alike.
  const std::size_t table = out.find("<TABLE");
  const std::size_t end = out.find("</TABLE>");
  EXPECT_NE(table, std::string::npos);
  EXPECT_NE(end, std::string::npos);
  auto link = [&](long long n, const char* label) {
    return "<A HREF=\"kiroq.exe?test+" + s + "+" + std::to_string(n) + "+2\">" + label + "</A>";
  };
  const std::string items = "[" + (page.newer < 0 ? std::string("Next page") : link(page.newer, "Next page")) + "][" +
                            (page.older < 0 ? std::string("Previous page") : link(page.older, "Previous page")) +
                            "]<BR>";
  EXPECT_LT(out.find(items), table);
  EXPECT_NE(out.find(items + "\r\n", end), std::string::npos);

  const std::string rows = out.substr(out.find("</TR>\r\n", table) + 7, end - out.find("</TR>\r\n", table) - 7);
  const std::regex row_key("\\+" + s + "\\+(\\d+)\\+3\">");
  std::size_t at = rows.find("<TR>");
  while (at != std::string::npos) {
    std::size_t next = rows.find("<TR>", at + 4);
    std::string row = rows.substr(at, next == std::string::npos ? std::string::npos : next - at);
    if (std::regex_search(row, m, row_key)) {
      page.keys.push_back(std::stoi(m[1]));
    } else {
      ADD_FAILURE() << "row without a number link: " << row;
    }
    at = next;
  }
  page.notice = out.find("<P>") != std::string::npos && out.find("</TABLE>\r\n<P>") != std::string::npos;
  return page;
}

// The top of the row whose first number is key: only thread E (7) can be
// shown without its top.
int TopOf(int key) { return key == 8 ? 7 : key; }

struct Case {
  const char* name;
  std::vector<std::string> settings;
  std::vector<int> order;   // expected row keys over all pages
  std::map<int, int> rows;  // rows a key counts, when not 1
  bool limited = false;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class BoardPaging : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    board_.env().SetLocalTime(2024, 12, 5, 12, 0, 0);
    std::vector<std::string> settings = {"JAPANESE=0", "NUMCLICK=1"};
    for (const std::string& s : GetParam().settings) settings.push_back(s);
    board_.Settings(settings);
    AddSampleBoard(board_);
  }
  BoardFixture board_;
};

TEST_P(BoardPaging, OlderLinksThenNewerLinksVisitEveryThreadOnce) {
  const Case& c = GetParam();
  auto rows_of = [&](int key) {
    auto it = c.rows.find(key);
    return it == c.rows.end() ? 1 : it->second;
  };
  for (int size : {1, 2, 3, 5, 10, 40}) {
    SCOPED_TRACE("page size " + std::to_string(size));
    std::vector<long long> numbers = {0};
    std::vector<Page> pages = {ParsePage(board_.Get(size, 0, 2), size)};
    while (pages.back().older >= 0 && pages.size() < 40) {
      numbers.push_back(pages.back().older);
      pages.push_back(ParsePage(board_.Get(size, static_cast<int>(numbers.back()), 2), size));
    }
    std::vector<int> all;
    for (std::size_t i = 0; i < pages.size(); ++i) {
      const Page& p = pages[i];
      EXPECT_FALSE(p.keys.empty()) << "page " << i;
      all.insert(all.end(), p.keys.begin(), p.keys.end());
      // A page stops once its rows exceed the page size, never before.
      int total = 0;
      for (int key : p.keys) total += rows_of(key);
      if (!p.keys.empty()) {
        EXPECT_LE(total - rows_of(p.keys.back()), size) << "page " << i;
      }
      if (i + 1 < pages.size()) {
        EXPECT_GT(total, size) << "page " << i;
      }
      EXPECT_EQ(p.notice, c.limited && i + 1 == pages.size()) << "page " << i;
      // The older link names the top that begins the next page.
      if (i + 1 < pages.size() && !pages[i + 1].keys.empty()) {
        EXPECT_EQ(p.older, TopOf(pages[i + 1].keys.front()));
      }
    }
    EXPECT_EQ(all, c.order);
    EXPECT_EQ(pages.front().newer, -1);
    // Back again with the newer links.
    for (std::size_t i = pages.size() - 1; i > 0; --i) {
      ASSERT_EQ(pages[i].newer, numbers[i - 1]) << "page " << i;
      EXPECT_EQ(ParsePage(board_.Get(size, static_cast<int>(pages[i].newer), 2), size).keys, pages[i - 1].keys);
    }
  }
}

const std::map<int, int> kOpenHidden = {{1, 4}, {2, 2}, {5, 2}, {8, 3}, {10, 2}};
const std::map<int, int> kOpenShown = {{1, 4}, {2, 2}, {5, 3}, {7, 3}, {10, 3}, {13, 2}};

INSTANTIATE_TEST_SUITE_P(
    BoardOrders, BoardPaging,
    ::testing::Values(
        Case{"DateOpen", {}, {24, 22, 20, 18, 17, 15, 11, 10, 8, 5, 2, 1}, kOpenHidden},
        Case{"DateClosed", {"TREECLOSE=1"}, {24, 22, 20, 18, 17, 15, 11, 10, 5, 2, 1}, {}},
        Case{"DateOpenDeletedShown",
             {"DELETEVISIBLE=1"},
             {24, 22, 20, 18, 17, 15, 13, 11, 10, 7, 5, 4, 2, 1},
             kOpenShown},
        Case{"DateClosedDeletedShown",
             {"DELETEVISIBLE=1", "TREECLOSE=1"},
             {24, 22, 20, 18, 17, 15, 13, 11, 10, 7, 5, 4, 2, 1},
             {}},
        Case{"SortedOpen", {"NEWPOSTSORT=1"}, {5, 24, 1, 22, 10, 20, 18, 17, 15, 2, 11, 8}, kOpenHidden},
        Case{"SortedClosed", {"NEWPOSTSORT=1", "TREECLOSE=1"}, {5, 24, 1, 22, 10, 20, 18, 17, 15, 2, 11}, {}},
        Case{"SortedOpenDeletedShown",
             {"NEWPOSTSORT=1", "DELETEVISIBLE=1"},
             {5, 24, 1, 22, 10, 20, 18, 17, 15, 13, 2, 11, 7, 4},
             kOpenShown},
        Case{"SortedClosedDeletedShown",
             {"NEWPOSTSORT=1", "TREECLOSE=1", "DELETEVISIBLE=1"},
             {5, 24, 1, 22, 10, 20, 18, 17, 15, 13, 2, 11, 7, 4},
             {}},
        // Tops at position 25 - 16 - 2 = 7 or below (article 8 and older)
        // are beyond the limit.
        Case{"DateLimited", {"VIEWLIMIT=16"}, {24, 22, 20, 18, 17, 15, 11, 10}, {{10, 2}}, true},
        Case{"SortedLimited", {"VIEWLIMIT=16", "NEWPOSTSORT=1"}, {24, 22, 10, 20, 18, 17, 15, 11}, {{10, 2}}, true}),
    [](const ::testing::TestParamInfo<Case>& item) { return std::string(item.param.name); });

TEST(BoardPlan, CutsFromTheFirstPageAndLinksBothWays) {
  // Date order: tops 60 ... 5 (positions), counting 3, 1, 1, 5, 1, 1, 1 rows.
  const std::vector<BoardThread> threads = {{60, false, 3, 0}, {50, true, 1, 0}, {40, true, 1, 0}, {30, false, 5, 0},
                                            {20, true, 1, 0},  {10, true, 1, 0}, {5, true, 1, 0}};
  auto plan = [&](long long number) {
    PagePlan p = PlanPage(threads, number, 3);
    return std::vector<long long>{static_cast<long long>(p.first), static_cast<long long>(p.end), p.newer, p.older};
  };
  EXPECT_EQ(plan(0), (std::vector<long long>{0, 2, -1, 41}));
  EXPECT_EQ(plan(41), (std::vector<long long>{2, 4, 0, 21}));
  EXPECT_EQ(plan(21), (std::vector<long long>{4, 7, 41, -1}));
  // A number between tops starts at the next older top; its newer link is
  // the cut page holding the thread before.
  EXPECT_EQ(plan(35), (std::vector<long long>{3, 4, 41, 21}));
  EXPECT_EQ(plan(1000), (std::vector<long long>{0, 2, -1, 41}));
  // Older than every top, or below 1: an empty page that links back.
  EXPECT_EQ(plan(3), (std::vector<long long>{7, 7, 21, -1}));
  EXPECT_EQ(plan(-4), (std::vector<long long>{7, 7, 21, -1}));
  // One thread larger than the page is a page of its own.
  EXPECT_EQ(PageEnd(threads, 3, 2), 4u);
  EXPECT_EQ(PlanPage({}, 0, 3).older, -1);
  // A page size below 1 still moves on: one thread a page.
  EXPECT_EQ(PlanPage(threads, 21, -1).newer, 31);
}

TEST(BoardPlan, NewestPostIsTheOnePostedLastWhateverItsDate) {
  // 1 (10:00) and 2 (10:05) start threads; 3 (09:00: the clock went back)
  // answers 1; 4 (09:30) and 5 (an empty date) start threads.
  BoardFixture board;
  const int parents[5] = {0, 0, 1, 0, 0};
  const int minutes[5] = {600, 605, 540, 570, 0};
  for (int k = 1; k <= 5; ++k) {
    IndexRecord r = SampleRecord("t" + std::to_string(k), "n", parents[k - 1]);
    r.date = EncodePostDate({2024, 12, 1, minutes[k - 1] / 60, minutes[k - 1] % 60, 0});
    if (k == 5) r.date[0] = 0;
    board.AddArticle(r, "");
  }
  const std::string bytes = board.IndexBytes();
  IndexView index(bytes);
  ThreadWalker walker(&index);
  Settings s;
  s.new_post_sort = true;
  std::vector<std::pair<int, int>> order;  // top, newest post
  for (const BoardThread& t : CollectThreads(index, walker, s).list) order.emplace_back(t.top, t.newest);
  // By date it would be 2, 4, 1, 5. The last post comes first: 5, 4, then
  // thread 1, whose reply 3 came after 2.
  EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{4, 4}, {3, 3}, {0, 2}, {1, 1}}));
  // The date order is by top only, as before.
  s.new_post_sort = false;
  std::vector<int> tops;
  for (const BoardThread& t : CollectThreads(index, walker, s).list) tops.push_back(t.top);
  EXPECT_EQ(tops, (std::vector<int>{4, 3, 1, 0}));
}

TEST(BoardPlan, LeftOutThreadsMatterOnlyWhenTheyWouldShow) {
  // VIEWLIMIT 3 of 10 articles: tops at position 5 or below are left out.
  // 1 (deleted) has the deleted replies 2 to 5 and 10; 6 is a deleted
  // single article; 7, 8 and 9 are shown.
  auto threads = [](bool by_post, bool delete_visible, bool last_reply_deleted) {
    BoardFixture board;
    for (int k = 1; k <= 10; ++k) {
      IndexRecord r = SampleRecord("t", "n", k <= 5 || k == 10 ? 1 : 0);
      if (k == 1) r.parent = 0;
      r.deleted = k <= 6 || (k == 10 && last_reply_deleted);
      board.AddArticle(r, "");
    }
    const std::string bytes = board.IndexBytes();
    IndexView index(bytes);
    ThreadWalker walker(&index);
    Settings s;
    s.view_limit = 3;
    s.new_post_sort = by_post;
    s.delete_visible = delete_visible;
    const BoardThreads all = CollectThreads(index, walker, s);
    std::vector<int> tops;
    for (const BoardThread& t : all.list) tops.push_back(t.top);
    EXPECT_EQ(tops, (std::vector<int>{8, 7, 6}));
    return all.limited;
  };
  for (const bool by_post : {true, false}) {
    EXPECT_FALSE(threads(by_post, false, true)) << by_post;
    EXPECT_TRUE(threads(by_post, true, true)) << by_post;
    EXPECT_TRUE(threads(by_post, false, false)) << by_post;
  }
}

}  // namespace
}  // namespace kiroq
