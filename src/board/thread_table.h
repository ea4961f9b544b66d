// Thread totals for many threads at once.
//
// The board page needs, for every thread it lists or passes over, the
// number of visible replies. One walk per thread reads every reply's record
// once per thread; the table gets the same totals in one pass from the
// newest record down, because a reply always lies after what it answers: a
// record's totals are its own plus its accepted children's, and those are
// known when the record is reached. The children are the walk's
// (ThreadWalker): listed entries newer than the parent and inside the
// index, then, for a full list, the replies that name the parent only by
// their parent number.
//
// The sums equal the walk's as long as no record is reached twice within a
// thread, which only damaged files (two lists naming one reply, or one list
// naming it twice) can cause; the walk takes such a record once. The table
// notices every second claim on a record and reports the threads that could
// hold one as unknown, so the caller walks them.
#ifndef KIROQ_BOARD_THREAD_TABLE_H_
#define KIROQ_BOARD_THREAD_TABLE_H_

#include <cstdint>
#include <vector>

#include "board/thread_tree.h"

namespace kiroq {

struct ThreadTotals {
  bool has_replies = false;  // the walk reaches at least one reply
  int visible_replies = 0;   // not deleted, or DELETEVISIBLE on
};

class ThreadTable {
 public:
  ThreadTable(const IndexView* index, bool delete_visible);

  // The totals of the replies below the article at top (a thread top, or
  // any article). False when the walk must be used instead. Works through
  // the index down to top only: asking for newer tops first costs one pass
  // in all.
  bool Totals(int top, ThreadTotals* out);

 private:
  // Takes in every record from the lowest one done so far down to low.
  void ExtendTo(int low);
  // Calls f(child) for each accepted child of parent (done, like every
  // record after it), in the walk's order.
  template <typename F>
  void ForEachChild(int parent, F f) const;

  // Where a done record's entries lie in the vectors below: they grow from
  // the newest record down, as far as the pages asked for.
  std::size_t Slot(int position) const { return static_cast<std::size_t>(index_->count() - 1 - position); }

  const IndexView* index_;
  bool delete_visible_;
  int low_;                             // records at low_ and above are done
  int unsure_at_or_below_ = -1;         // a second claim was made by a parent here
  std::vector<int32_t> visible_;        // per record: it and its replies, visible
  std::vector<uint8_t> claimed_;        // per record: accepted by a parent already
  std::vector<int32_t> parent_number_;  // per record done: its parent number as stored
};

}  // namespace kiroq

#endif  // KIROQ_BOARD_THREAD_TABLE_H_
