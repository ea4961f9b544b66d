#include "board/thread_tree.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "board/dates.h"
#include "board/settings.h"
#include "storage/board_files.h"
#include "text/ascii.h"

namespace kiroq {

Status MapWholeRecords(File* index, std::string_view* bytes) {
  *bytes = std::string_view();
  uint64_t size = 0;
  Status s = index->Size(&size);
  if (!s.ok()) return s;
  size -= size % kRecordSize;
  if (size > static_cast<uint64_t>(std::numeric_limits<int>::max()) / 2) {
    return Status::IOError("the index is too large to load");
  }
  s = index->View(size, bytes);
  if (!s.ok()) return s;
  *bytes = bytes->substr(0, bytes->size() - bytes->size() % kRecordSize);
  return Status::OK();
}

// --- IndexView ---

std::string_view IndexView::bytes(int position) const {
  return bytes_.substr(static_cast<std::size_t>(position) * kRecordSize, kRecordSize);
}

IndexRecord IndexView::record(int position) const {
  IndexRecord rec;
  DecodeRecord(bytes(position), &rec);
  return rec;
}

DateField IndexView::date(int position) const {
  DateField d;
  std::memcpy(d.data(), bytes(position).data() + record_layout::kDate, d.size());
  return d;
}

// --- ThreadWalker ---

ThreadWalker::ThreadWalker(const IndexView* index) : index_(index) {}

const std::vector<int>* ThreadWalker::Unlisted(int parent) {
  auto found = unlisted_.find(parent);
  if (found != unlisted_.end()) return &found->second;
  // Replies are newer than their parent: only the records after it can
  // name it.
  std::vector<int>& more = unlisted_[parent];
  const int count = index_->count();
  for (int i = parent + 1; i < count; ++i) {
    // Compared before subtracting: a stored parent number may be INT32_MIN.
    if (index_->parent(i) != static_cast<int64_t>(parent) + 1) continue;
    bool listed = false;
    for (int k = 0; k < kMaxChildren && !listed; ++k) listed = index_->child(parent, k) == i;
    if (!listed) more.push_back(i);
  }
  return &more;
}

void ThreadWalker::Children(int parent, std::vector<int>* out) {
  const int count = index_->count();
  const int listed = index_->child_count(parent);
  for (int k = 0; k < listed; ++k) {
    const int32_t c = index_->child(parent, k);
    if (c > parent && c < count) out->push_back(c);
  }
  if (listed == kMaxChildren) {
    if (const std::vector<int>* more = Unlisted(parent)) out->insert(out->end(), more->begin(), more->end());
  }
}

std::vector<ThreadReply> ThreadWalker::Replies(int start) {
  std::vector<ThreadReply> replies;
  if (start < 0 || start >= index_->count()) return replies;
  if (++stamp_ == 0) {  // the stamps went round: forget every old walk
    std::fill(seen_.begin(), seen_.end(), 0);
    stamp_ = 1;
  }
  // A walk reaches start and records after it only: the stamps cover the
  // records from the newest down to the lowest start so far.
  const int count = index_->count();
  const std::size_t reach = static_cast<std::size_t>(count - start);
  if (seen_.size() < reach) seen_.resize(reach, 0);
  auto seen_at = [&](int position) -> uint32_t& { return seen_[static_cast<std::size_t>(count - 1 - position)]; };
  seen_at(start) = stamp_;
  // Children are pushed last first, so that the first child is taken next.
  std::vector<ThreadReply> stack;
  std::vector<int> children;
  auto push_children = [&](int parent, int depth) {
    children.clear();
    Children(parent, &children);
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, depth});
  };
  push_children(start, 1);
  while (!stack.empty()) {
    const ThreadReply r = stack.back();
    stack.pop_back();
    uint32_t& seen = seen_at(r.position);
    if (seen == stamp_) continue;
    seen = stamp_;
    replies.push_back(r);
    push_children(r.position, r.depth + 1);
  }
  return replies;
}

// --- Summary ---

namespace {

DateField TextDate(std::string_view text) {
  DateField d{};
  d[0] = static_cast<uint8_t>(text.size());
  std::memcpy(d.data() + 1, text.data(), text.size());
  return d;
}

}  // namespace

DateField RowDateFloor() { return TextDate("1980/01/01 01:01:01"); }

ThreadSummary SummarizeThread(const IndexView& index, const std::vector<ThreadReply>& replies, bool delete_visible,
                              const DateField& floor) {
  ThreadSummary sum;
  sum.newest = floor;
  if (!PostDateToDays(floor, &sum.newest_days)) sum.newest_days = -std::numeric_limits<double>::infinity();
  for (const ThreadReply& r : replies) {
    const DateField date = index.date(r.position);
    double days = 0;
    if (PostDateToDays(date, &days) && days > sum.newest_days) {
      sum.newest = date;
      sum.newest_days = days;
    }
    if (delete_visible || !index.deleted(r.position)) ++sum.visible_replies;
  }
  return sum;
}

ThreadRowsData ReadThreadRows(const Settings& s, const IndexView& index, int top,
                              const std::vector<ThreadReply>& replies) {
  ThreadRowsData d;
  d.top = top;
  d.top_deleted = index.deleted(top);
  d.sum = SummarizeThread(index, replies, s.delete_visible, RowDateFloor());
  // Sized once: a line holds a whole record.
  d.lines.reserve(1 + (s.tree_close ? 0 : replies.size()));
  if (!d.top_deleted || s.delete_visible) d.lines.push_back({top, 0, index.record(top)});
  if (!s.tree_close) {
    for (const ThreadReply& r : replies) {
      if (s.delete_visible || !index.deleted(r.position)) {
        d.lines.push_back({r.position, r.depth, index.record(r.position)});
      }
    }
  }
  return d;
}

}  // namespace kiroq
