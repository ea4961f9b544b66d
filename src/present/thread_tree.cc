#include "present/thread_tree.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "main/request.h"
#include "pages/links.h"
#include "present/dates.h"
#include "present/list_row.h"
#include "storage/board_files.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

Status LoadWholeIndex(Env* env, const std::string& path, std::string* bytes) {
  bytes->clear();
  std::unique_ptr<File> index;
  Status s = OpenWithRetry(env, path, OpenMode::kReadExclusive, kStandardRetry, &index);
  if (!s.ok()) return s;
  uint64_t size = 0;
  s = index->Size(&size);
  if (!s.ok()) return s;
  size -= size % kRecordSize;
  if (size > static_cast<uint64_t>(std::numeric_limits<int>::max()) / 2) {
    return Status::IOError("the index is too large to load");
  }
  s = index->ReadAt(0, static_cast<std::size_t>(size), bytes);
  if (!s.ok()) return s;
  bytes->resize(bytes->size() - bytes->size() % kRecordSize);
  return Status::OK();
}

// --- IndexView ---

std::string_view IndexView::Bytes(int position) const {
  return bytes_.substr(static_cast<std::size_t>(position) * kRecordSize, kRecordSize);
}

IndexRecord IndexView::record(int position) const {
  IndexRecord rec;
  DecodeRecord(Bytes(position), &rec);
  return rec;
}

bool IndexView::deleted(int position) const { return Bytes(position)[record_layout::kDeleted] != 0; }

int32_t IndexView::parent(int position) const { return GetInt32(Bytes(position), record_layout::kParent); }

int IndexView::child_count(int position) const {
  int32_t n = GetInt32(Bytes(position), record_layout::kChildCount);
  return std::clamp<int32_t>(n, 0, kMaxChildren);
}

int32_t IndexView::child(int position, int k) const {
  return GetInt32(Bytes(position), record_layout::kChildren + 4 * static_cast<std::size_t>(k));
}

DateField IndexView::date(int position) const {
  DateField d;
  std::memcpy(d.data(), Bytes(position).data() + record_layout::kDate, d.size());
  return d;
}

// --- ThreadWalker ---

ThreadWalker::ThreadWalker(const IndexView* index) : index_(index), seen_(static_cast<std::size_t>(index->count())) {}

const std::vector<int>* ThreadWalker::Unlisted(int parent) {
  if (!unlisted_built_) {
    unlisted_built_ = true;
    const int count = index_->count();
    for (int i = 0; i < count; ++i) {
      const int32_t p = index_->parent(i) - 1;  // the parent's position
      if (p < 0 || p >= i || index_->child_count(p) < kMaxChildren) continue;
      bool listed = false;
      for (int k = 0; k < kMaxChildren && !listed; ++k) listed = index_->child(p, k) == i;
      if (!listed) unlisted_[p].push_back(i);
    }
  }
  auto it = unlisted_.find(parent);
  return it == unlisted_.end() ? nullptr : &it->second;
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
  seen_[static_cast<std::size_t>(start)] = stamp_;
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
    uint32_t& seen = seen_[static_cast<std::size_t>(r.position)];
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

DateField SortDateFloor() { return TextDate("1900/01/01 00:00:00"); }
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

// --- Rows ---

namespace {

// An article that has a line in every column.
struct Shown {
  int position;
  int depth;  // 0 for the top
  IndexRecord rec;
};

std::string DeletedTitle(const Request& req) {
  return std::string(req.japanese() ? "<FONT COLOR=\"#FF0000\">削除されています</FONT>"_sj
                                    : "<FONT COLOR=\"#FF0000\">No Article</FONT>");
}

std::string TitleLine(const Request& req, const Shown& l) {
  if (l.rec.is_deleted()) return DeletedTitle(req) + "<BR>";
  const std::string title = ListTitle(req, l.rec.title);
  if (!req.settings.title_click) return title + "<BR>";
  // Inside a reply's link the break is part of the link text.
  if (l.depth > 0) return BoardLink(req, l.position + 1, 3, title + "<BR>");
  return BoardLink(req, l.position + 1, 3, title) + "<BR>";
}

std::string NameLine(const Request& req, const IndexRecord& rec) {
  if (!req.settings.use_mail) return EscapeHtml(rec.name) + "<BR>";
  return "<A HREF=\"mailto:" + EscapeHtml(rec.email) + "\">" + EscapeHtml(rec.name) + "</A><BR>";
}

// Deeper replies are indented no further: a hand-made chain thousands deep
// would otherwise grow the page with the square of its depth.
constexpr int kMaxIndent = 100;

std::string Indent(int depth) {
  if (depth > kMaxIndent) depth = kMaxIndent;
  std::string s;
  s.reserve(static_cast<std::size_t>(depth) * 2);
  for (int i = 0; i < depth; ++i) s.append("　"_sj);
  return s;
}

}  // namespace

void WriteThreadRows(Request& req, const IndexView& index, int top, const std::vector<ThreadReply>& replies) {
  const Settings& s = req.settings;
  Output* out = req.out;
  const bool closed = s.tree_close;
  const bool top_deleted = index.deleted(top);
  const ThreadSummary sum = SummarizeThread(index, replies, s.delete_visible, RowDateFloor());
  const LocalTime now = req.env->Now();

  std::vector<Shown> lines;
  if (!top_deleted || s.delete_visible) lines.push_back({top, 0, index.record(top)});
  if (!closed) {
    for (const ThreadReply& r : replies) {
      if (s.delete_visible || !index.deleted(r.position)) {
        lines.push_back({r.position, r.depth, index.record(r.position)});
      }
    }
  }

  out->Line("<TR>" + CellOpen(s.no_color, true));
  for (const Shown& l : lines) {
    if (l.depth == 0) {
      std::string text = NumberLink(req, top + 1) + " " + ThreadMark(req, top + 1);
      text += closed && !top_deleted ? "(" + Itoa(sum.visible_replies + 1) + ")" : std::string("<BR>");
      out->Line(text);
    } else {
      out->Line(Indent(l.depth) + NumberLink(req, l.position + 1) + "<BR>");
    }
  }

  // The header row has a date column only with USEDATE; so do the rows.
  if (s.use_date) {
    out->Line("</TD>" + CellOpen(s.date_color, true));
    for (const Shown& l : lines) {
      if (l.depth == 0 && closed) {
        out->Line("(" + FormatPostDate(sum.newest, s, now) + ")<BR>");
      } else {
        out->Line(FormatPostDate(l.rec.date, s, now) + "<BR>");
      }
    }
  }

  out->Line("</TD>" + CellOpen(s.title_color, true));
  for (const Shown& l : lines) out->Line(TitleLine(req, l));

  out->Line("</TD>" + CellOpen(s.writer_color, true));
  for (const Shown& l : lines) out->Line(NameLine(req, l.rec));
  out->Line("</TD></TR>");
}

}  // namespace kiroq
