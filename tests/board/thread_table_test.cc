// The one-pass thread totals against the walk they stand in for.
#include "board/thread_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "board/settings.h"
#include "board/thread_tree.h"
#include "board_fixture.h"
#include "pages/board_page.h"
#include "thread_boards.h"

namespace kiroq {
namespace {

// What the walk says: has replies, visible count.
struct Expected {
  bool has_replies;
  int visible;
};

Expected Walked(const IndexView& index, int top, bool delete_visible) {
  ThreadWalker walker(&index);
  const std::vector<ThreadReply> replies = walker.Replies(top);
  return {!replies.empty(), SummarizeThread(index, replies, delete_visible, SortDateFloor()).visible_replies};
}

// Every article the table answers for matches the walk; returns how many
// it left to the walk.
int CompareAll(const std::string& bytes, bool delete_visible) {
  const IndexView index(bytes);
  ThreadTable table(&index, delete_visible);
  int unknown = 0;
  // Newest first, the order the board page asks in.
  for (int top = index.count() - 1; top >= 0; --top) {
    ThreadTotals t;
    if (!table.Totals(top, &t)) {
      ++unknown;
      continue;
    }
    const Expected e = Walked(index, top, delete_visible);
    EXPECT_EQ(t.has_replies, e.has_replies) << "top " << top;
    EXPECT_EQ(t.visible_replies, e.visible) << "top " << top;
  }
  return unknown;
}

TEST(ThreadTable, MatchesTheWalkOnSoundBoards) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    const std::string bytes = EncodeAll(RandomBoard(rng, 200, false));
    EXPECT_EQ(CompareAll(bytes, false), 0);
    EXPECT_EQ(CompareAll(bytes, true), 0);
  }
}

TEST(ThreadTable, CountsRepliesBeyondAFullList) {
  // Article 1 gets 105 replies: 101 listed, four found by their parent
  // number only; reply 50 has an answer of its own.
  std::vector<IndexRecord> recs = {Posted(0)};
  for (int k = 1; k <= 105; ++k) {
    recs.push_back(Posted(k, 1));
    ListChild(&recs[0], k);
  }
  recs.push_back(Posted(200, 50));
  ListChild(&recs[50], 106);
  recs[104].deleted = 1;
  const std::string bytes = EncodeAll(recs);
  const IndexView index(bytes);
  ThreadTable table(&index, false);
  ThreadTotals t;
  ASSERT_TRUE(table.Totals(0, &t));
  EXPECT_EQ(t.visible_replies, 105);  // 106 replies, one deleted
  EXPECT_EQ(CompareAll(bytes, false), 0);
}

TEST(ThreadTable, LeavesThreadsWithATwiceListedReplyToTheWalk) {
  // Thread 0: 1 and 2 both list 3, so the walk takes 3 (and 4 below it)
  // once where sums would take them twice. Thread 5 above it is sound.
  std::vector<IndexRecord> recs = {Posted(0),    Posted(1, 1), Posted(2, 1), Posted(3, 2),
                                   Posted(4, 4), Posted(5),    Posted(6, 6)};
  ListChild(&recs[0], 1);
  ListChild(&recs[0], 2);
  ListChild(&recs[1], 3);
  ListChild(&recs[2], 3);
  ListChild(&recs[3], 4);
  ListChild(&recs[5], 6);
  const std::string bytes = EncodeAll(recs);
  const IndexView index(bytes);
  ThreadTable table(&index, false);
  ThreadTotals t;
  ASSERT_TRUE(table.Totals(5, &t));
  EXPECT_EQ(t.visible_replies, 1);
  EXPECT_FALSE(table.Totals(0, &t));
  EXPECT_EQ(CompareAll(bytes, false), 2);  // the tops 0 and 1 (at or below the second claim)
}

TEST(ThreadTable, IgnoresEntriesThatPointBackOrOutside) {
  std::vector<IndexRecord> recs = {Posted(0), Posted(1, 1), Posted(2, 2)};
  ListChild(&recs[0], 1);
  ListChild(&recs[0], 0);   // itself
  ListChild(&recs[0], 77);  // beyond the index
  ListChild(&recs[0], -3);  // negative
  ListChild(&recs[1], 2);
  ListChild(&recs[2], 1);      // back up: a cycle the walk does not follow
  recs[1].child_count = 5000;  // far beyond the list; bounded to 101
  EXPECT_EQ(CompareAll(EncodeAll(recs), false), 0);
}

// The top an article belongs to in the newest-post order, found afresh:
// up the parent numbers while the walk would follow the same link down.
int ClimbToTop(const IndexView& index, int position) {
  int at = position;
  while (index.parent(at) != 0) {
    const int64_t parent = int64_t{index.parent(at)} - 1;
    if (parent < 0 || parent >= at) return -1;
    const int p = static_cast<int>(parent);
    bool follows = index.child_count(p) == kMaxChildren;
    for (int k = 0; k < index.child_count(p); ++k) follows = follows || index.child(p, k) == at;
    if (!follows) return -1;
    at = p;
  }
  return at;
}

// The board page's thread list as one walk per top and a sort give it.
BoardThreads WalkedThreads(const IndexView& index, const Settings& s) {
  std::vector<int> newest(static_cast<std::size_t>(index.count()), -1);
  for (int r = 0; r < index.count(); ++r) {
    if (const int top = ClimbToTop(index, r); top >= 0) newest[static_cast<std::size_t>(top)] = r;
  }
  BoardThreads threads;
  ThreadWalker walker(&index);
  for (int top = index.count() - 1; top >= 0; --top) {
    if (index.parent(top) != 0) continue;
    const std::vector<ThreadReply> replies = walker.Replies(top);
    const ThreadSummary sum = SummarizeThread(index, replies, s.delete_visible, SortDateFloor());
    if (!(s.delete_visible || !index.deleted(top)) && (s.tree_close || sum.visible_replies == 0)) continue;
    if (s.view_limit != 0 && top <= index.count() - s.view_limit - 2) {
      threads.limited = true;
      continue;
    }
    threads.list.push_back({top, replies.empty(), s.tree_close ? 1 : sum.visible_replies + 1,
                            s.new_post_sort ? newest[static_cast<std::size_t>(top)] : -1});
  }
  if (s.new_post_sort) {
    std::sort(threads.list.begin(), threads.list.end(),
              [](const BoardThread& a, const BoardThread& b) { return a.newest > b.newest; });
  }
  return threads;
}

TEST(ThreadTable, BoardPageListIsTheWalksWithDamagedLists) {
  std::mt19937 rng(11);
  for (int round = 0; round < 48; ++round) {
    const std::string bytes = EncodeAll(RandomBoard(rng, 150, true));
    const IndexView index(bytes);
    Settings s;
    s.new_post_sort = round % 2 == 0;
    s.delete_visible = round % 4 < 2;
    s.tree_close = round % 8 < 4;
    s.view_limit = round < 16 ? 0 : round < 32 ? 40 : 120;
    ThreadWalker walker(&index);
    const BoardThreads got = CollectThreads(index, walker, s);
    const BoardThreads want = WalkedThreads(index, s);
    EXPECT_EQ(got.limited, want.limited) << "round " << round;
    ASSERT_EQ(got.list.size(), want.list.size()) << "round " << round;
    for (std::size_t i = 0; i < got.list.size(); ++i) {
      const BoardThread& g = got.list[i];
      EXPECT_EQ(g.top, want.list[i].top) << "round " << round << " entry " << i;
      EXPECT_EQ(g.single, want.list[i].single) << "round " << round << " entry " << i;
      EXPECT_EQ(g.rows, want.list[i].rows) << "round " << round << " entry " << i;
      EXPECT_EQ(g.newest, want.list[i].newest) << "round " << round << " entry " << i;
      if (s.new_post_sort && g.newest != g.top) {
        // The post a thread is sorted by is one its rows show.
        bool walked = false;
        for (const ThreadReply& r : walker.Replies(g.top)) walked = walked || r.position == g.newest;
        EXPECT_TRUE(walked) << "round " << round << " top " << g.top << " newest " << g.newest;
      }
    }
  }
}

}  // namespace
}  // namespace kiroq
