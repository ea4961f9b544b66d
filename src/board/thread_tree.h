// Threads: a top article and every reply reachable through the child lists
// of the index records, walked depth first with children in list order.
//
// The walk trusts nothing in the files. A child entry is followed only when
// it names a record inside the index that is newer than its parent, and a
// record is reached at most once per walk, so lists that point backwards,
// outside the index or round in a cycle end the branch instead of looping.
// Depth is bounded only by the data; the walk keeps its own stack.
//
// A parent's child list holds at most 101 entries. Replies to a parent whose
// list is full are stored without a list entry and name the parent only by
// their parent number; the walk finds them there and takes them after the
// listed ones, in posting order.
#ifndef KIROQ_BOARD_THREAD_TREE_H_
#define KIROQ_BOARD_THREAD_TREE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/env.h"
#include "storage/record.h"

namespace kiroq {

struct Settings;

// The whole records of an open index as one view (File::View): valid, and
// the index locked, while the file stays open.
Status MapWholeRecords(File* index, std::string_view* bytes);

// A read-only view of an index held in memory. Positions are 0-based; the
// caller keeps the bytes alive and passes only positions below count().
class IndexView {
 public:
  IndexView() = default;
  explicit IndexView(std::string_view bytes) : bytes_(bytes) {}

  int count() const { return static_cast<int>(bytes_.size() / kRecordSize); }
  IndexRecord record(int position) const;

  // Single fields, read without decoding the whole record. Inline: a pass
  // over a large board calls them for every record.
  bool deleted(int position) const { return At(position)[record_layout::kDeleted] != 0; }
  // As stored: 1-based, 0 for a top.
  int32_t parent(int position) const { return Int32(At(position) + record_layout::kParent); }
  // Bounded to 0..101.
  int child_count(int position) const {
    const int32_t n = Int32(At(position) + record_layout::kChildCount);
    return n < 0 ? 0 : n > kMaxChildren ? kMaxChildren : n;
  }
  // Entry k, as stored.
  int32_t child(int position, int k) const {
    return Int32(At(position) + record_layout::kChildren + 4 * static_cast<std::size_t>(k));
  }
  DateField date(int position) const;
  // The record's 1267 bytes.
  std::string_view bytes(int position) const;

 private:
  const char* At(int position) const { return bytes_.data() + static_cast<std::size_t>(position) * kRecordSize; }
  // Little-endian, byte by byte (one load once compiled).
  static int32_t Int32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<int32_t>(uint32_t{u[0]} | uint32_t{u[1]} << 8 | uint32_t{u[2]} << 16 | uint32_t{u[3]} << 24);
  }
  std::string_view bytes_;
};

// One reply reached by a walk: its position and its depth (direct replies
// of the walk's start have depth 1).
struct ThreadReply {
  int position;
  int depth;
};

// Walks threads of one index. Keep one walker per page: it remembers which
// full parents have further replies after the first time it needs them.
class ThreadWalker {
 public:
  explicit ThreadWalker(const IndexView* index);

  // The replies below the article at start, in walk order; start itself is
  // not among them. Empty when start is outside the index.
  std::vector<ThreadReply> Replies(int start);

 private:
  // Appends the accepted children of parent, in the order they are shown.
  void Children(int parent, std::vector<int>* out);
  const std::vector<int>* Unlisted(int parent);

  const IndexView* index_;
  std::vector<uint32_t> seen_;  // walk stamp per position, the newest first
  uint32_t stamp_ = 0;
  std::unordered_map<int, std::vector<int>> unlisted_;  // full parent -> replies not in its list, once asked
};

// The visible-reply count and the newest post date of a thread. A reply is
// visible when it is not deleted or DELETEVISIBLE is on; the newest date is
// taken over every reply reached, visible or not.
struct ThreadSummary {
  int visible_replies = 0;
  DateField newest{};      // the newest reply's date field, or the floor
  double newest_days = 0;  // the same as a day count
};

// The starting point of the newest date the thread rows show.
DateField RowDateFloor();  // "1980/01/01 01:01:01"

// A reply replaces the kept date only when it is strictly newer; a date
// that cannot be read is never the newest.
ThreadSummary SummarizeThread(const IndexView& index, const std::vector<ThreadReply>& replies, bool delete_visible,
                              const DateField& floor);

// What the rows of a thread show, read from the index so that it can be
// closed before they are written (html/thread_rows.h writes them).
struct ThreadLine {  // an article that has a line in every column
  int position;
  int depth;  // 0 for the top
  IndexRecord rec;
};
struct ThreadRowsData {
  int top = 0;
  bool top_deleted = false;
  ThreadSummary sum;              // from RowDateFloor
  std::vector<ThreadLine> lines;  // the shown articles in walk order
};
ThreadRowsData ReadThreadRows(const Settings& settings, const IndexView& index, int top,
                              const std::vector<ThreadReply>& replies);

}  // namespace kiroq

#endif  // KIROQ_BOARD_THREAD_TREE_H_
