#include "board/thread_tree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "board_fixture.h"
#include "html/request.h"
#include "html/thread_rows.h"
#include "text/sjis.h"
#include "thread_boards.h"

namespace kiroq {
namespace {

// Records with hand-made links, as a corrupt or edited file may hold them.
IndexRecord Linked(int parent, std::initializer_list<int32_t> children, int minute = 0) {
  IndexRecord r = SampleRecord("t");
  r.parent = parent;
  r.date = EncodePostDate({2024, 12, 1, 10, minute, 0});
  int k = 0;
  for (int32_t c : children) r.children[static_cast<std::size_t>(k++)] = c;
  r.child_count = k;
  return r;
}

std::string Encode(const std::vector<IndexRecord>& recs) {
  std::string bytes;
  for (const IndexRecord& r : recs) bytes += EncodeRecord(r);
  return bytes;
}

std::vector<std::pair<int, int>> Walk(const std::string& bytes, int start) {
  IndexView index(bytes);
  ThreadWalker walker(&index);
  std::vector<std::pair<int, int>> out;
  for (const ThreadReply& r : walker.Replies(start)) out.emplace_back(r.position, r.depth);
  return out;
}

using Steps = std::vector<std::pair<int, int>>;

TEST(ThreadWalk, DepthFirstInListOrder) {
  // 0 -> [1, 4], 1 -> [2], 2 -> [3], 4 -> [5]; 6 is another thread.
  const std::string bytes = Encode(
      {Linked(0, {1, 4}), Linked(1, {2}), Linked(2, {3}), Linked(3, {}), Linked(1, {5}), Linked(5, {}), Linked(0, {})});
  EXPECT_EQ(Walk(bytes, 0), (Steps{{1, 1}, {2, 2}, {3, 3}, {4, 1}, {5, 2}}));
  // From a reply: only what lies below it.
  EXPECT_EQ(Walk(bytes, 1), (Steps{{2, 1}, {3, 2}}));
  EXPECT_TRUE(Walk(bytes, 6).empty());
  EXPECT_TRUE(Walk(bytes, 7).empty());
  EXPECT_TRUE(Walk(bytes, -1).empty());
}

TEST(ThreadWalk, CorruptChildListsEndTheBranch) {
  // 1 lists itself, its parent and a record beyond the index; 2 lists the
  // top (a cycle back); 3 and 1 both list 4; a negative entry and a count
  // far beyond the list's capacity.
  std::vector<IndexRecord> recs = {Linked(0, {1, 3, 1}), Linked(1, {1, 0, 99, -7, 2, 4}), Linked(2, {0, 1}),
                                   Linked(1, {4}), Linked(4, {4, 3})};
  recs[4].child_count = 5000;  // the rest of its list is zero: older records
  const std::string bytes = Encode(recs);
  EXPECT_EQ(Walk(bytes, 0), (Steps{{1, 1}, {2, 2}, {4, 2}, {3, 1}}));
  // The same walker stays correct from walk to walk.
  IndexView index(bytes);
  ThreadWalker walker(&index);
  for (int round = 0; round < 3; ++round) EXPECT_EQ(walker.Replies(0).size(), 4u);
}

TEST(ThreadWalk, DeepChainNeedsNoRecursion) {
  constexpr int kDepth = 10000;
  std::vector<IndexRecord> recs;
  for (int i = 0; i < kDepth; ++i) {
    if (i + 1 < kDepth) {
      recs.push_back(Linked(i, {i + 1}));
    } else {
      recs.push_back(Linked(i, {}));
    }
  }
  const std::string bytes = Encode(recs);
  IndexView index(bytes);
  ThreadWalker walker(&index);
  std::vector<ThreadReply> replies = walker.Replies(0);
  ASSERT_EQ(replies.size(), static_cast<std::size_t>(kDepth - 1));
  EXPECT_EQ(replies.back().position, kDepth - 1);
  EXPECT_EQ(replies.back().depth, kDepth - 1);
  EXPECT_EQ(SummarizeThread(index, replies, false, SortDateFloor()).visible_replies, kDepth - 1);
}

TEST(ThreadWalk, DeepChainKeepsTheBoardPageSmall) {
  constexpr int kDepth = 10000;
  std::vector<IndexRecord> recs;
  for (int i = 0; i < kDepth; ++i) recs.push_back(i + 1 < kDepth ? Linked(i, {i + 1}) : Linked(i, {}));
  BoardFixture board;
  board.Settings({"JAPANESE=1"});
  board.dir().Write("bbsdb/test.idx", Encode(recs));
  board.dir().Write("bbsdb/test.log", "");
  std::string page = board.Get(10, 0, 2);
  EXPECT_NE(page.find("</HTML>"), std::string::npos);
  // Indentation stops growing, so the page grows with the depth, not its square.
  EXPECT_LT(page.size(), 4u * 1024 * 1024);
}

TEST(ThreadWalk, RepliesBeyondAFullListAreReachedByTheirParentNumber) {
  BoardFixture board;
  board.AddArticle(SampleRecord("top"), "");
  for (int i = 0; i < 120; ++i) {
    board.AddArticle(SampleRecord("re", "r", 1), "");
    // A reply to the fifth reply, posted among the unlisted ones.
    if (i == 110) board.AddArticle(SampleRecord("re re", "r", 6), "");
  }
  // A reply whose parent's list is not full and does not list it is not
  // followed: such a parent lists all its replies.
  IndexRecord stray = SampleRecord("stray", "s", 3);
  const std::string bytes = board.IndexBytes() + EncodeRecord(stray);
  ASSERT_EQ(board.Record(0).ChildCount(), 101);

  IndexView index(bytes);
  ThreadWalker walker(&index);
  std::vector<ThreadReply> replies = walker.Replies(0);
  Steps expected;
  for (int p = 1; p <= 111; ++p) {
    expected.emplace_back(p, 1);
    if (p == 5) expected.emplace_back(112, 2);
  }
  for (int p = 113; p <= 121; ++p) expected.emplace_back(p, 1);
  Steps got;
  for (const ThreadReply& r : replies) got.emplace_back(r.position, r.depth);
  EXPECT_EQ(got, expected);
}

TEST(ThreadWalk, ParentNumbersAtTheIntLimitsNameNoFullParent) {
  // The top's list is full of entries that name no newer record, so its
  // replies are found by their parent numbers alone; numbers that cannot be
  // an older record (the int limits among them) name no parent.
  std::vector<IndexRecord> recs = {Linked(0, {})};
  recs[0].child_count = kMaxChildren;
  for (int32_t parent : {INT32_MIN, -1, 0, INT32_MAX, 1, 3, 6, 1}) recs.push_back(Linked(parent, {}));
  EXPECT_EQ(Walk(Encode(recs), 0), (Steps{{5, 1}, {8, 1}}));
}

TEST(ThreadSummaryTest, CountsVisibleRepliesAndFindsTheNewestOfAll) {
  std::vector<IndexRecord> recs = {Linked(0, {1, 2, 3}, 0), Linked(1, {}, 5), Linked(1, {}, 30), Linked(1, {}, 7)};
  recs[2].deleted = 1;  // deleted, but still the newest post
  recs[3].date = {};    // legacy text that is no date: never the newest
  recs[3].date[0] = 3;
  recs[3].date[1] = 'a';
  const std::string bytes = Encode(recs);
  IndexView index(bytes);
  ThreadWalker walker(&index);
  const std::vector<ThreadReply> replies = walker.Replies(0);
  ThreadSummary hidden = SummarizeThread(index, replies, false, SortDateFloor());
  EXPECT_EQ(hidden.visible_replies, 2);
  EXPECT_EQ(hidden.newest, EncodePostDate({2024, 12, 1, 10, 30, 0}));
  EXPECT_EQ(SummarizeThread(index, replies, true, SortDateFloor()).visible_replies, 3);
}

// Thread rows written by a request on a fixed clock.
class ThreadRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.env().SetLocalTime(2024, 12, 5, 12, 0, 0);
    settings_.japanese = true;
    settings_.num_click = true;
    settings_.title_click = true;
    settings_.use_mail = true;
    settings_.use_date = true;
    settings_.no_color = "#EEEEEE";
    // 0 -> [1, 4], 1 -> [2], 2 -> [3], 4 -> [5]; 4 is deleted and the newest.
    recs_ = {Linked(0, {1, 4}, 0), Linked(1, {2}, 1), Linked(2, {3}, 2),
             Linked(3, {}, 3),     Linked(1, {5}, 9), Linked(5, {}, 5)};
    recs_[0].title = "Top <1>";
    recs_[0].name = "A&B";
    recs_[0].email = "a\"x";
    recs_[4].deleted = 1;
    for (int i = 1; i < 6; ++i) recs_[static_cast<std::size_t>(i)].name = "n" + std::to_string(i);
  }

  std::string Rows() {
    const std::string bytes = Encode(recs_);
    FakeEnv& env = board_.env();
    env.stdout_data.clear();
    {
      Output out(&env);
      Request req(&env, &out);
      req.board = "test";
      req.page_size = 10;
      req.files = BoardFiles(board_.dir().path(), "test");
      req.settings = settings_;
      req.labels = ChooseLabels(settings_.japanese, false, false);
      IndexView index(bytes);
      ThreadWalker walker(&index);
      WriteThreadRows(req, index, 0, walker.Replies(0));
    }
    return env.stdout_data;
  }

  BoardFixture board_;
  Settings settings_;
  std::vector<IndexRecord> recs_;
};

TEST_F(ThreadRowsTest, OpenFormIndentsByDepthAndSkipsHiddenReplies) {
  EXPECT_EQ(Rows(),
            std::string("<TR><TD NOWRAP BGCOLOR=\"#EEEEEE\">\r\n"
                        "<A HREF=\"kiroq.exe?test+10+1+3\">1</A> <A HREF=\"kiroq.exe?test+10+1+12\">▼</A><BR>\r\n"
                        "　<A HREF=\"kiroq.exe?test+10+2+3\">2</A><BR>\r\n"
                        "　　<A HREF=\"kiroq.exe?test+10+3+3\">3</A><BR>\r\n"
                        "　　　<A HREF=\"kiroq.exe?test+10+4+3\">4</A><BR>\r\n"
                        "　　<A HREF=\"kiroq.exe?test+10+6+3\">6</A><BR>\r\n"
                        "</TD><TD NOWRAP>\r\n"
                        "2024/12/01 10:00:00<BR>\r\n2024/12/01 10:01:00<BR>\r\n2024/12/01 10:02:00<BR>\r\n"
                        "2024/12/01 10:03:00<BR>\r\n2024/12/01 10:05:00<BR>\r\n"
                        "</TD><TD NOWRAP>\r\n"
                        "<A HREF=\"kiroq.exe?test+10+1+3\">Top &lt;1&gt;</A><BR>\r\n"
                        "<A HREF=\"kiroq.exe?test+10+2+3\">t<BR></A>\r\n"
                        "<A HREF=\"kiroq.exe?test+10+3+3\">t<BR></A>\r\n"
                        "<A HREF=\"kiroq.exe?test+10+4+3\">t<BR></A>\r\n"
                        "<A HREF=\"kiroq.exe?test+10+6+3\">t<BR></A>\r\n"
                        "</TD><TD NOWRAP>\r\n"
                        "<A HREF=\"mailto:a&quot;x\">A&amp;B</A><BR>\r\n"
                        "<A HREF=\"mailto:\">n1</A><BR>\r\n<A HREF=\"mailto:\">n2</A><BR>\r\n"
                        "<A HREF=\"mailto:\">n3</A><BR>\r\n<A HREF=\"mailto:\">n5</A><BR>\r\n"
                        "</TD></TR>\r\n"_sj));
}

TEST_F(ThreadRowsTest, DeletedRepliesShownWhenVisible) {
  settings_.delete_visible = true;
  settings_.title_click = false;
  settings_.use_mail = false;
  settings_.use_date = false;
  const std::string out = Rows();
  EXPECT_NE(out.find("<A HREF=\"kiroq.exe?test+10+4+3\">4</A><BR>\r\n"
                     "　<A HREF=\"kiroq.exe?test+10+5+3\">5</A><BR>\r\n"
                     "　　<A HREF=\"kiroq.exe?test+10+6+3\">6</A><BR>\r\n</TD><TD NOWRAP>\r\nTop &lt;1&gt;<BR>\r\n"_sj),
            std::string::npos);
  EXPECT_NE(out.find("t<BR>\r\n<FONT COLOR=\"#FF0000\">削除されています</FONT><BR>\r\nt<BR>\r\n"_sj),
            std::string::npos);
  EXPECT_NE(out.find("n3<BR>\r\nn4<BR>\r\nn5<BR>\r\n</TD></TR>"), std::string::npos);
  // Without USEDATE there is no date column: number, title, poster.
  EXPECT_EQ(out.find("2024/12/01"), std::string::npos);
  EXPECT_NE(out.find("<TR><TD NOWRAP BGCOLOR=\"#EEEEEE\">\r\n"), std::string::npos);
}

TEST_F(ThreadRowsTest, ClosedFormIsOneLineWithCountAndNewestDate) {
  settings_.tree_close = true;
  EXPECT_EQ(Rows(),
            std::string("<TR><TD NOWRAP BGCOLOR=\"#EEEEEE\">\r\n"
                        "<A HREF=\"kiroq.exe?test+10+1+3\">1</A> <A HREF=\"kiroq.exe?test+10+1+12\">▼</A>(5)\r\n"
                        "</TD><TD NOWRAP>\r\n"
                        "(2024/12/01 10:09:00)<BR>\r\n"
                        "</TD><TD NOWRAP>\r\n"
                        "<A HREF=\"kiroq.exe?test+10+1+3\">Top &lt;1&gt;</A><BR>\r\n"
                        "</TD><TD NOWRAP>\r\n"
                        "<A HREF=\"mailto:a&quot;x\">A&amp;B</A><BR>\r\n"
                        "</TD></TR>\r\n"_sj));
  settings_.delete_visible = true;
  EXPECT_NE(Rows().find("▼</A>(6)\r\n"_sj), std::string::npos);
}

TEST_F(ThreadRowsTest, DeletedTopLeavesEveryColumnWhenHidden) {
  recs_[0].deleted = 1;
  settings_.title_click = false;
  settings_.use_mail = false;
  EXPECT_EQ(Rows(), std::string("<TR><TD NOWRAP BGCOLOR=\"#EEEEEE\">\r\n"
                                "　<A HREF=\"kiroq.exe?test+10+2+3\">2</A><BR>\r\n"
                                "　　<A HREF=\"kiroq.exe?test+10+3+3\">3</A><BR>\r\n"
                                "　　　<A HREF=\"kiroq.exe?test+10+4+3\">4</A><BR>\r\n"
                                "　　<A HREF=\"kiroq.exe?test+10+6+3\">6</A><BR>\r\n"
                                "</TD><TD NOWRAP>\r\n"
                                "2024/12/01 10:01:00<BR>\r\n2024/12/01 10:02:00<BR>\r\n"
                                "2024/12/01 10:03:00<BR>\r\n2024/12/01 10:05:00<BR>\r\n"
                                "</TD><TD NOWRAP>\r\n"
                                "t<BR>\r\nt<BR>\r\nt<BR>\r\nt<BR>\r\n"
                                "</TD><TD NOWRAP>\r\n"
                                "n1<BR>\r\nn2<BR>\r\nn3<BR>\r\nn5<BR>\r\n"
                                "</TD></TR>\r\n"_sj));
  // Shown as deleted, closed: the top line ends in a break and has no count.
  settings_.delete_visible = true;
  settings_.tree_close = true;
  const std::string out = Rows();
  EXPECT_NE(out.find("<A HREF=\"kiroq.exe?test+10+1+3\">1</A> <A HREF=\"kiroq.exe?test+10+1+12\">▼</A><BR>\r\n"
                     "</TD><TD NOWRAP>\r\n(2024/12/01 10:09:00)<BR>\r\n</TD><TD NOWRAP>\r\n"
                     "<FONT COLOR=\"#FF0000\">削除されています</FONT><BR>\r\n</TD><TD NOWRAP>\r\nA&amp;B<BR>\r\n"_sj),
            std::string::npos);
}

TEST_F(ThreadRowsTest, PlainNumbersWithoutNumberLinks) {
  settings_.num_click = false;
  settings_.japanese = false;
  recs_[0].deleted = 1;
  settings_.delete_visible = true;
  const std::string out = Rows();
  // The plain number stands in the place of the thread mark.
  EXPECT_NE(out.find("<TR><TD NOWRAP BGCOLOR=\"#EEEEEE\">\r\n1 1<BR>\r\n　2<BR>\r\n　　3<BR>\r\n"_sj),
            std::string::npos);
  EXPECT_NE(out.find("<FONT COLOR=\"#FF0000\">No Article</FONT><BR>\r\n"), std::string::npos);
  EXPECT_EQ(out.find("+12\""), std::string::npos);
  EXPECT_EQ(out.find("\">2</A>"), std::string::npos);
}

}  // namespace
}  // namespace kiroq
