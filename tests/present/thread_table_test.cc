// The one-pass thread totals against the walk they stand in for.
#include "present/thread_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "board_fixture.h"
#include "config/settings.h"
#include "present/board_page.h"
#include "present/dates.h"
#include "present/thread_tree.h"

namespace kiroq {
namespace {

std::string Encode(const std::vector<IndexRecord>& recs) {
  std::string bytes;
  for (const IndexRecord& r : recs) bytes += EncodeRecord(r);
  return bytes;
}

IndexRecord At(int minute, int parent = 0) {
  IndexRecord r = SampleRecord("t");
  r.parent = parent;
  r.date = EncodePostDate({2024, 12, 1, minute / 60, minute % 60, 0});
  return r;
}

void List(IndexRecord* parent, int32_t child) {
  if (parent->child_count < kMaxChildren) parent->children[static_cast<std::size_t>(parent->child_count++)] = child;
}

// What the walk says: has replies, visible count, newest date.
struct Expected {
  bool has_replies;
  int visible;
  double newest;
};

Expected Walked(const IndexView& index, int top, bool delete_visible) {
  ThreadWalker walker(&index);
  const std::vector<ThreadReply> replies = walker.Replies(top);
  Expected e{!replies.empty(), 0, -INFINITY};
  for (const ThreadReply& r : replies) {
    double days = 0;
    if (PostDateToDays(index.date(r.position), &days)) e.newest = std::max(e.newest, days);
  }
  e.visible = SummarizeThread(index, replies, delete_visible, SortDateFloor()).visible_replies;
  return e;
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
    EXPECT_EQ(t.newest_days, e.newest) << "top " << top;
  }
  return unknown;
}

TEST(ThreadTable, MatchesTheWalkOnSoundBoards) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    std::vector<IndexRecord> recs;
    const int n = 200;
    for (int k = 0; k < n; ++k) {
      // Dates run backwards now and then, as after a clock change.
      IndexRecord r = At(static_cast<int>(rng() % 1000));
      r.deleted = rng() % 5 == 0;
      if (k > 0 && rng() % 3 != 0) {
        const int parent = static_cast<int>(rng() % static_cast<unsigned>(k));
        r.parent = parent + 1;
        List(&recs[static_cast<std::size_t>(parent)], k);
      }
      if (rng() % 40 == 0) r.date[0] = 0;  // an empty legacy date: never the newest
      recs.push_back(r);
    }
    const std::string bytes = Encode(recs);
    EXPECT_EQ(CompareAll(bytes, false), 0);
    EXPECT_EQ(CompareAll(bytes, true), 0);
  }
}

TEST(ThreadTable, CountsRepliesBeyondAFullList) {
  // Article 1 gets 105 replies: 101 listed, four found by their parent
  // number only; reply 50 has an answer of its own.
  std::vector<IndexRecord> recs = {At(0)};
  for (int k = 1; k <= 105; ++k) {
    recs.push_back(At(k, 1));
    List(&recs[0], k);
  }
  recs.push_back(At(200, 50));
  List(&recs[50], 106);
  recs[104].deleted = 1;
  const std::string bytes = Encode(recs);
  const IndexView index(bytes);
  ThreadTable table(&index, false);
  ThreadTotals t;
  ASSERT_TRUE(table.Totals(0, &t));
  EXPECT_EQ(t.visible_replies, 105);  // 106 replies, one deleted
  double newest = 0;
  ASSERT_TRUE(PostDateToDays(recs[106].date, &newest));
  EXPECT_EQ(t.newest_days, newest);
  EXPECT_EQ(CompareAll(bytes, false), 0);
}

TEST(ThreadTable, LeavesThreadsWithATwiceListedReplyToTheWalk) {
  // Thread 0: 1 and 2 both list 3, so the walk takes 3 (and 4 below it)
  // once where sums would take them twice. Thread 5 above it is sound.
  std::vector<IndexRecord> recs = {At(0), At(1, 1), At(2, 1), At(3, 2), At(4, 4), At(5), At(6, 6)};
  List(&recs[0], 1);
  List(&recs[0], 2);
  List(&recs[1], 3);
  List(&recs[2], 3);
  List(&recs[3], 4);
  List(&recs[5], 6);
  const std::string bytes = Encode(recs);
  const IndexView index(bytes);
  ThreadTable table(&index, false);
  ThreadTotals t;
  ASSERT_TRUE(table.Totals(5, &t));
  EXPECT_EQ(t.visible_replies, 1);
  EXPECT_FALSE(table.Totals(0, &t));
  EXPECT_EQ(CompareAll(bytes, false), 2);  // the tops 0 and 1 (at or below the second claim)
}

TEST(ThreadTable, IgnoresEntriesThatPointBackOrOutside) {
  std::vector<IndexRecord> recs = {At(0), At(1, 1), At(2, 2)};
  List(&recs[0], 1);
  List(&recs[0], 0);   // itself
  List(&recs[0], 77);  // beyond the index
  List(&recs[0], -3);  // negative
  List(&recs[1], 2);
  List(&recs[2], 1);           // back up: a cycle the walk does not follow
  recs[1].child_count = 5000;  // far beyond the list; bounded to 101
  EXPECT_EQ(CompareAll(Encode(recs), false), 0);
}

// The board page's thread list as one walk per top gives it.
std::vector<BoardThread> WalkedThreads(const IndexView& index, const Settings& s) {
  std::vector<BoardThread> list;
  ThreadWalker walker(&index);
  for (int top = index.count() - 1; top >= 0; --top) {
    if (index.parent(top) != 0) continue;
    const std::vector<ThreadReply> replies = walker.Replies(top);
    const ThreadSummary sum = SummarizeThread(index, replies, s.delete_visible, SortDateFloor());
    if (!(s.delete_visible || !index.deleted(top)) && (s.tree_close || sum.visible_replies == 0)) continue;
    BoardThread t{top, replies.empty(), s.tree_close ? 1 : sum.visible_replies + 1, sum.newest_days};
    if (t.single && !PostDateToDays(index.date(top), &t.newest_days)) t.newest_days = -INFINITY;
    list.push_back(t);
  }
  if (s.new_post_sort) {
    std::stable_sort(list.begin(), list.end(),
                     [](const BoardThread& a, const BoardThread& b) { return a.newest_days > b.newest_days; });
  }
  return list;
}

TEST(ThreadTable, BoardPageListIsTheWalksWithDamagedLists) {
  std::mt19937 rng(11);
  for (int round = 0; round < 16; ++round) {
    std::vector<IndexRecord> recs;
    for (int k = 0; k < 150; ++k) {
      IndexRecord r = At(static_cast<int>(rng() % 300));  // many equal dates
      r.deleted = rng() % 6 == 0;
      if (k > 0 && rng() % 2 == 0) {
        const int parent = static_cast<int>(rng() % static_cast<unsigned>(k));
        r.parent = parent + 1;
        List(&recs[static_cast<std::size_t>(parent)], k);
        // Now and then a second list names it too.
        if (rng() % 15 == 0) List(&recs[rng() % static_cast<unsigned>(k)], k);
      }
      recs.push_back(r);
    }
    const std::string bytes = Encode(recs);
    const IndexView index(bytes);
    Settings s;
    s.new_post_sort = round % 2 == 0;
    s.delete_visible = round % 4 < 2;
    s.tree_close = round % 8 < 4;
    ThreadWalker walker(&index);
    const std::vector<BoardThread> got = CollectThreads(index, walker, s).list;
    const std::vector<BoardThread> want = WalkedThreads(index, s);
    ASSERT_EQ(got.size(), want.size()) << "round " << round;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].top, want[i].top) << "round " << round << " entry " << i;
      EXPECT_EQ(got[i].single, want[i].single) << "round " << round << " entry " << i;
      EXPECT_EQ(got[i].rows, want[i].rows) << "round " << round << " entry " << i;
      EXPECT_EQ(got[i].newest_days, want[i].newest_days) << "round " << round << " entry " << i;
    }
  }
}

}  // namespace
}  // namespace kiroq
