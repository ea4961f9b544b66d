#include "board/thread_table.h"

#include <algorithm>

namespace kiroq {

ThreadTable::ThreadTable(const IndexView* index, bool delete_visible)
    : index_(index), delete_visible_(delete_visible), low_(index->count()) {}

template <typename F>
void ThreadTable::ForEachChild(int parent, F f) const {
  const int count = index_->count();
  const int listed = index_->child_count(parent);
  for (int k = 0; k < listed; ++k) {
    const int32_t c = index_->child(parent, k);
    if (c > parent && c < count) f(static_cast<int>(c));
  }
  if (listed == kMaxChildren) {
    // Replies beyond a full list name the parent only by their parent
    // number; every record after the parent is done, so they are all known.
    // Full lists are rare: a plain scan of the numbers kept is enough.
    const int32_t number = parent + 1;
    for (int i = parent + 1; i < count; ++i) {
      if (parent_number_[Slot(i)] != number) continue;
      bool in_list = false;
      for (int k = 0; k < kMaxChildren && !in_list; ++k) in_list = index_->child(parent, k) == i;
      if (!in_list) f(i);
    }
  }
}

void ThreadTable::ExtendTo(int low) {
  for (int i = low_ - 1; i >= low && i >= 0; --i) {
    // Slot(i) is the next one at the end of each vector.
    parent_number_.push_back(index_->parent(i));
    claimed_.push_back(0);
    int32_t visible = delete_visible_ || !index_->deleted(i) ? 1 : 0;
    ForEachChild(i, [&](int c) {
      const std::size_t at = Slot(c);
      if (claimed_[at]++ != 0 && unsure_at_or_below_ < i) unsure_at_or_below_ = i;
      visible += visible_[at];
    });
    visible_.push_back(visible);
  }
  low_ = std::min(low_, std::max(low, 0));
}

bool ThreadTable::Totals(int top, ThreadTotals* out) {
  if (top < 0 || top >= index_->count()) return false;
  ExtendTo(top);
  if (top <= unsure_at_or_below_) return false;
  ThreadTotals t;
  ForEachChild(top, [&](int c) {
    const std::size_t at = Slot(c);
    t.has_replies = true;
    t.visible_replies += visible_[at];
  });
  *out = t;
  return true;
}

}  // namespace kiroq
