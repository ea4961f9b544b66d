// How far into the index a thread index page reads: plans made while
// reading as little as possible equal plans over the whole list, and the
// first pages of a large board never touch its older records.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "board/settings.h"
#include "board/thread_tree.h"
#include "pages/board_page.h"
#include "thread_boards.h"

namespace kiroq {
namespace {

auto Fields(const PagePlan& p) { return std::make_tuple(p.first, p.end, p.newer, p.older); }

TEST(BoardPageReach, PlansReadAsFarAsNeededEqualPlansOverTheWholeList) {
  std::mt19937 rng(5);
  for (int round = 0; round < 24; ++round) {
    const std::string bytes = EncodeAll(RandomBoard(rng, 90, round % 3 == 2));
    const IndexView index(bytes);
    Settings s;
    s.new_post_sort = round % 2 == 0;
    s.tree_close = round % 4 >= 2;
    s.delete_visible = round % 8 >= 4;
    s.view_limit = round % 5 == 0 ? 50 : 0;
    ThreadWalker whole_walker(&index);
    const BoardThreads whole = CollectThreads(index, whole_walker, s);
    for (int size : {1, 4, 10}) {
      for (long long number = -1; number <= index.count() + 2; ++number) {
        SCOPED_TRACE("round " + std::to_string(round) + " size " + std::to_string(size) + " number " +
                     std::to_string(number));
        ThreadWalker walker(&index);
        ThreadSource source(index, walker, s);
        const PagePlan plan = PlanPage(source, number, size);
        EXPECT_EQ(Fields(plan), Fields(PlanPage(whole.list, number, size)));
        for (std::size_t i = plan.first; i < plan.end; ++i) EXPECT_EQ(source.At(i)->top, whole.list[i].top);
        // The notice goes on the page where the list ends.
        EXPECT_EQ(!source.At(plan.end) && source.limited(), plan.end == whole.list.size() && whole.limited);
      }
    }
  }
}

// An index in memory with memory pages that cannot be read: the process
// dies on a read there. The pages below guard_below are guarded, except
// those that hold bytes of [keep_from, keep_to).
class GuardedIndex {
 public:
  GuardedIndex(const std::string& bytes, std::size_t guard_below, std::size_t keep_from, std::size_t keep_to) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    size_ = (bytes.size() + page - 1) / page * page;
    void* p = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    base_ = static_cast<char*>(p);
    std::memcpy(base_, bytes.data(), bytes.size());
    bytes_ = std::string_view(base_, bytes.size());
    const std::size_t low_end = keep_from / page * page, high_start = (keep_to + page - 1) / page * page,
                      high_end = guard_below / page * page;
    ok_ = mprotect(base_, low_end, PROT_NONE) == 0 &&
          (high_start >= high_end || mprotect(base_ + high_start, high_end - high_start, PROT_NONE) == 0);
  }
  ~GuardedIndex() {
    if (base_) munmap(base_, size_);
  }
  GuardedIndex(const GuardedIndex&) = delete;
  GuardedIndex& operator=(const GuardedIndex&) = delete;

  std::string_view bytes() const { return bytes_; }
  bool ok() const { return ok_; }

 private:
  char* base_ = nullptr;
  std::size_t size_ = 0;
  bool ok_ = false;
  std::string_view bytes_;
};

// 3000 articles: 2600 older ones, then 400 whose threads stay among
// themselves, with two exceptions. The first of the 400 collects a full
// list of 101 replies and three more that name it only by their parent
// number, and the newest article answers one of its replies; the article
// before it answers an old single article, kRevived. So both threads lead
// the newest-post order.
constexpr int kOld = 2600, kCount = 3000, kRevived = 1500;

std::string LargeBoard() {
  std::mt19937 rng(3);
  std::vector<IndexRecord> recs = RandomBoard(rng, kOld, true);
  recs[kRevived].parent = 0;
  recs[kRevived].deleted = 0;
  recs[kRevived].child_count = 0;
  const int full = kOld;
  recs.push_back(Posted(0));
  for (int k = full + 1; k < kCount; ++k) {
    IndexRecord r = Posted(k % 1440);
    r.deleted = rng() % 9 == 0;
    int parent = -1;
    if (k <= full + 104) {
      parent = full;
    } else if (k == kCount - 1) {
      parent = full + 1;
    } else if (k == kCount - 2) {
      parent = kRevived;
    } else if (k > full + 105 && rng() % 3 != 0) {
      parent = full + 105 + static_cast<int>(rng() % static_cast<unsigned>(k - full - 105));
    }
    if (parent >= 0) {
      r.parent = parent + 1;
      ListChild(&recs[static_cast<std::size_t>(parent)], k);
    }
    recs.push_back(r);
  }
  return EncodeAll(recs);
}

// What the page of number reads, as the board page reads it: the plan,
// then the records of its threads' rows. Returns the plan.
PagePlan ReadPageOf(const IndexView& index, const Settings& s, long long number, int page_size) {
  ThreadWalker walker(&index);
  ThreadSource source(index, walker, s);
  const PagePlan plan = PlanPage(source, number, page_size);
  for (std::size_t i = plan.first; i < plan.end; ++i) {
    const int top = source.At(i)->top;
    ReadThreadRows(s, index, top, walker.Replies(top));
  }
  return plan;
}

// The first three pages in each order and form, through the older links.
std::vector<PagePlan> FirstPages(const IndexView& index) {
  std::vector<PagePlan> plans;
  for (const bool by_post : {true, false}) {
    for (const bool closed : {false, true}) {
      Settings s;
      s.new_post_sort = by_post;
      s.tree_close = closed;
      long long number = 0;
      for (int page = 0; page < 3 && number >= 0; ++page) {
        plans.push_back(ReadPageOf(index, s, number, 10));
        number = plans.back().older;
      }
    }
  }
  return plans;
}

TEST(BoardPageReachDeathTest, FirstPagesOfALargeBoardReadOnlyTheNewestRecords) {
  const std::string bytes = LargeBoard();
  const IndexView intact(bytes);
  const std::vector<PagePlan> want = FirstPages(intact);
  ASSERT_EQ(want.size(), 12u);

  // With the newest-post order the full thread, answered last, comes
  // first, then the revived one.
  Settings s;
  s.new_post_sort = true;
  ThreadWalker walker(&intact);
  ThreadSource source(intact, walker, s);
  ASSERT_NE(source.At(1), nullptr);
  EXPECT_EQ(std::make_tuple(source.At(0)->top, source.At(0)->newest), std::make_tuple(kOld, kCount - 1));
  int visible = intact.deleted(kCount - 1) ? 0 : 1;
  for (int k = kOld + 1; k <= kOld + 104; ++k) visible += intact.deleted(k) ? 0 : 1;
  EXPECT_EQ(source.At(0)->rows, visible + 1);
  EXPECT_EQ(std::make_tuple(source.At(1)->top, source.At(1)->newest), std::make_tuple(kRevived, kCount - 2));

  // Nothing older than the 400 can be read but the revived article. The
  // pages are read in a child process: a read of a guarded page kills it,
  // other differences make it exit with 1.
  const GuardedIndex guarded(bytes, std::size_t{kOld} * kRecordSize, std::size_t{kRevived} * kRecordSize,
                             std::size_t{kRevived + 1} * kRecordSize);
  ASSERT_TRUE(guarded.ok());
  const IndexView index(guarded.bytes());
  EXPECT_EXIT(
      {
        const std::vector<PagePlan> got = FirstPages(index);
        bool same = got.size() == want.size();
        for (std::size_t i = 0; same && i < got.size(); ++i) same = Fields(got[i]) == Fields(want[i]);
        std::exit(same ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  // The guard does stop a reader that goes through the whole board.
  EXPECT_DEATH(
      {
        ThreadWalker all(&index);
        CollectThreads(index, all, s);
      },
      "");
}

}  // namespace
}  // namespace kiroq
