#include "pages/board_page.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "board/thread_table.h"
#include "board/thread_tree.h"
#include "board/visibility.h"
#include "cgi/headers.h"
#include "html/frame.h"
#include "html/links.h"
#include "html/list_row.h"
#include "html/request.h"
#include "html/thread_rows.h"
#include "html/view_links.h"
#include "storage/board_files.h"
#include "storage/record.h"
#include "text/sjis.h"

namespace kiroq {

// --- ThreadSource ---

ThreadSource::ThreadSource(const IndexView& index, ThreadWalker& walker, const Settings& s)
    : index_(index), walker_(walker), s_(s), by_post_(s.new_post_sort), next_(index.count() - 1) {
  table_ = std::make_unique<ThreadTable>(&index, s.delete_visible);
  if (by_post_) met_.resize(static_cast<std::size_t>(index.count()));
}

ThreadSource::~ThreadSource() = default;

void ThreadSource::Summarize(int top, BoardThread* t, bool* shown) {
  ThreadTotals totals;
  // The table reads the index from its end down to top: the date order
  // goes down the tops anyway. The newest-post order walks a thread whose
  // top lies further down than twice what it has read so far: a page deep
  // in the board reads most records anyway and sums them faster in one
  // pass, the first pages read only their own threads.
  const int read = index_.count() - 1 - next_;
  const bool table = !by_post_ || index_.count() - 1 - top <= 2 * read;
  if (!table || !table_->Totals(top, &totals)) {
    // The table also leaves damaged child lists to the walk, which takes
    // every reply once.
    const std::vector<ThreadReply> replies = walker_.Replies(top);
    totals.has_replies = !replies.empty();
    totals.visible_replies = 0;
    for (const ThreadReply& r : replies) {
      if (s_.delete_visible || !index_.deleted(r.position)) ++totals.visible_replies;
    }
  }
  const bool top_visible = s_.delete_visible || !index_.deleted(top);
  *shown = top_visible || (!s_.tree_close && totals.visible_replies > 0);
  t->top = top;
  t->single = !totals.has_replies;
  t->rows = s_.tree_close ? 1 : totals.visible_replies + 1;
  t->newest = -1;
}

bool ThreadSource::Beyond(int top) const { return BeyondViewLimit(s_.view_limit, index_.count(), top); }

// The next thread in date order: the next top down that shows something.
// At the VIEWLIMIT bound the list ends; whether anything lies beyond it is
// looked up then, once.
bool ThreadSource::NextByDate() {
  for (; next_ >= 0; --next_) {
    const int top = next_;
    if (index_.parent(top) != 0) continue;
    BoardThread t;
    bool shown = false;
    Summarize(top, &t, &shown);
    if (!shown) continue;
    if (Beyond(top)) {
      limited_ = true;
      next_ = -1;
      return false;
    }
    list_.push_back(t);
    --next_;
    return true;
  }
  return false;
}

// The next thread in newest-post order: read records from the newest down
// until one belongs to a thread not met before.
bool ThreadSource::NextByPost() {
  while (next_ >= 0) {
    const int position = next_--;
    const int top = TopOf(position);
    if (top < 0 || met_[static_cast<std::size_t>(top)]) continue;
    met_[static_cast<std::size_t>(top)] = true;
    if (Beyond(top)) {
      beyond_.push_back(top);
      continue;
    }
    BoardThread t;
    bool shown = false;
    Summarize(top, &t, &shown);
    if (!shown) continue;
    t.newest = position;
    list_.push_back(t);
    return true;
  }
  return false;
}

// The walk's rule for going from parent down to child (child is inside the
// index): the parent is older, and lists the child or has a full list, in
// which case the walk takes every reply that names it.
bool ThreadSource::FollowsUp(int child, int64_t parent) const {
  if (parent < 0 || parent >= child) return false;
  const int p = static_cast<int>(parent);
  const int listed = index_.child_count(p);
  if (listed == kMaxChildren) return true;
  for (int k = 0; k < listed; ++k) {
    if (index_.child(p, k) == child) return true;
  }
  return false;
}

std::size_t ThreadSource::Slot(int position) const { return static_cast<std::size_t>(index_.count() - 1 - position); }

int32_t ThreadSource::KnownTop(int position) const {
  return Slot(position) < top_of_.size() ? top_of_[Slot(position)] : kUnknownTop;
}

int ThreadSource::TopOf(int position) {
  // Up the parents until a record whose top is known, a top, or a link
  // the walk would not follow; every record passed gets the answer, so each
  // is climbed through once however deep the thread.
  chain_.clear();
  int at = position;
  int32_t top = KnownTop(at);
  while (top == kUnknownTop) {
    const int32_t parent_number = index_.parent(at);
    chain_.push_back(at);
    if (parent_number == 0) {
      top = at;
    } else if (const int64_t parent = static_cast<int64_t>(parent_number) - 1; !FollowsUp(at, parent)) {
      top = -1;
    } else {
      at = static_cast<int>(parent);
      top = KnownTop(at);
    }
  }
  if (!chain_.empty()) {
    // The chain ends lowest: the answers reach as far down as it did.
    const std::size_t reach = Slot(chain_.back()) + 1;
    if (top_of_.size() < reach) top_of_.resize(reach, kUnknownTop);
    for (int passed : chain_) top_of_[Slot(passed)] = top;
  }
  return top;
}

const BoardThread* ThreadSource::At(std::size_t i) {
  while (list_.size() <= i && Next()) {
  }
  return i < list_.size() ? &list_[i] : nullptr;
}

std::size_t ThreadSource::Find(long long number) {
  if (!by_post_) {
    // Tops come in descending order: the first at or below is the newest.
    std::size_t i = 0;
    for (const BoardThread* t; (t = At(i)) != nullptr && t->top > number - 1;) ++i;
    return i;
  }
  // The newest listed top at or below the article is the date order's:
  // look down the tops from there, then read on until its thread joins.
  int start = -1;
  const long long from = std::min<long long>(number - 1, index_.count() - 1);
  for (long long p = from; p >= 0; --p) {
    const int top = static_cast<int>(p);
    if (index_.parent(top) != 0) continue;
    if (Beyond(top)) break;  // so is every top below it
    BoardThread t;
    bool shown = false;
    Summarize(top, &t, &shown);
    if (shown) {
      start = top;
      break;
    }
  }
  std::size_t i = 0;
  for (const BoardThread* t; (t = At(i)) != nullptr && t->top != start;) ++i;
  return i;
}

bool ThreadSource::limited() {
  while (Next()) {
  }
  // Newest-post order: every thread has been met; any beyond the bound
  // that shows something was left out.
  for (int top : beyond_) {
    if (limited_) break;
    BoardThread t;
    Summarize(top, &t, &limited_);
  }
  beyond_.clear();
  return limited_;
}

// --- Paging ---

namespace {

class VectorThreads : public ThreadList {
 public:
  explicit VectorThreads(const std::vector<BoardThread>& v) : v_(v) {}
  const BoardThread* At(std::size_t i) override { return i < v_.size() ? &v_[i] : nullptr; }

 private:
  const std::vector<BoardThread>& v_;
};

}  // namespace

std::size_t PageEnd(ThreadList& threads, std::size_t first, int page_size) {
  long long rows = 0;
  std::size_t end = first;
  // The first thread always goes, whatever the page size.
  while ((end == first || rows <= page_size) && threads.At(end)) rows += threads.At(end++)->rows;
  return end;
}

std::size_t PageEnd(const std::vector<BoardThread>& threads, std::size_t first, int page_size) {
  VectorThreads list(threads);
  return PageEnd(list, first, page_size);
}

std::size_t ThreadList::Find(long long number) {
  std::size_t best = 0;
  bool found = false;
  std::size_t i = 0;
  for (; const BoardThread* t = At(i); ++i) {
    if (t->top <= number - 1 && (!found || t->top > At(best)->top)) {
      best = i;
      found = true;
    }
  }
  return found ? best : i;
}

PagePlan PlanPage(ThreadList& threads, long long number, int page_size) {
  PagePlan plan;
  plan.first = number == 0 ? 0 : threads.Find(number);
  plan.end = PageEnd(threads, plan.first, page_size);
  if (const BoardThread* next = threads.At(plan.end)) plan.older = next->top + 1;
  if (plan.first > 0) {
    // Cut from the first page until the piece that holds the thread before.
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = PageEnd(threads, start, page_size);
      if (end >= plan.first) break;
      start = end;
    }
    plan.newer = start == 0 ? 0 : threads.At(start)->top + 1;
  }
  return plan;
}

PagePlan PlanPage(const std::vector<BoardThread>& threads, long long number, int page_size) {
  VectorThreads list(threads);
  return PlanPage(list, number, page_size);
}

namespace {

void WriteViewLine(Request& req) {
  const Html links = ViewLinks(req, ViewLinksOn::kTree, BoardViewLabels(req));
  if (!links.empty()) req.out->Line(req.labels.view_prompt + links + "<BR>");
}

void WriteMoveItems(Request& req) {
  req.out->Write(req.labels.move_prompt);
  req.out->Write(Bracketed(BoardLink(req, 0, Action::kThreadIndex, req.labels.latest)));
  req.out->Write(Bracketed(BoardLink(req, req.page_size, Action::kThreadIndex, req.labels.from_top)));
}

// The post items (when with_post) and the personal settings item; ends the
// line when anything was written.
void WritePostLine(Request& req, bool with_post) {
  Html line;
  if (with_post) {
    line = req.labels.post_prompt + Bracketed(BoardLink(req, 0, Action::kNewPostForm, req.labels.new_post)) +
           Bracketed(req.labels.reply);
  }
  if (req.settings.use_cookie && req.settings.use_cookie_setting) {
    line += Bracketed(PersonalSettingsLink(req, req.labels.personal_settings));
  }
  if (!line.empty()) req.out->Line(line);
}

// Writes the table start; true when the outer frame table was opened.
bool WriteTableStart(Request& req) {
  const Settings& s = req.settings;
  const Html pad = Html::Trusted(s.cell_padding);
  Output* out = req.out;
  if (s.use_border && s.border_line != 0) {
    out->Line("<TABLE BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\"><TR><TD BGCOLOR=\"" +
              Html::Trusted(s.border_color) + "\">");
    out->Line("<TABLE BORDER=\"0\" CELLPADDING=\"" + (pad.empty() ? Html("3") : pad) + "\" CELLSPACING=\"1\">");
    return true;
  }
  const Html border = s.use_border ? "1" : "0";
  if (pad.empty()) {
    out->Line("<TABLE BORDER=\"" + border + "\">");
  } else {
    out->Line("<TABLE BORDER=\"" + border + "\" CELLPADDING=\"" + pad + "\">");
  }
  return false;
}

void WriteHeaderRow(Request& req) {
  const Settings& s = req.settings;
  const PageLabels& l = req.labels;
  auto head = [](const std::string& bg, const std::string& fg, const Html& label) {
    return "<TD BGCOLOR=\"" + Html::Trusted(bg) + "\"><FONT COLOR=\"" + Html::Trusted(fg) + "\">" + label +
           "</FONT></TD>";
  };
  Html row = "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"" + Html::Trusted(s.no_head_color) + "\"><FONT COLOR=\"" +
             Html::Trusted(s.no_str_color) + "\">" + l.number_heading + "</FONT></TD>";
  if (s.use_date) row += head(s.date_head_color, s.date_str_color, l.date_heading);
  row += head(s.title_head_color, s.title_str_color, l.title_heading);
  row += head(s.writer_head_color, s.writer_str_color, l.poster_heading) + "</TR>";
  req.out->Line(row);
}

void CloseTable(Request& req, bool framed) {
  req.out->Line("</TABLE>");
  if (framed) req.out->Line("</TD></TR></TABLE>");
}

Html NewerItem(const Request& req, const PagePlan& plan) {
  if (plan.newer < 0) return Bracketed(req.labels.next_page);
  return Bracketed(BoardLink(req, plan.newer, Action::kThreadIndex, req.labels.next_page));
}

Html OlderItem(const Request& req, const PagePlan& plan) {
  if (plan.older < 0) return Bracketed(req.labels.previous_page) + "<BR>";
  return Bracketed(BoardLink(req, plan.older, Action::kThreadIndex, req.labels.previous_page)) + "<BR>";
}

void WriteNoArticles(Request& req) {
  req.out->Write("<BR>");
  WritePostLine(req, true);
  req.out->Line("<P>" + req.labels.no_articles + "<P>");
}

}  // namespace

namespace {

// One row group of the table: a single article's list row or a thread's
// rows, with the records they show.
struct PageRow {
  bool single = false;
  int top = 0;
  IndexRecord rec;        // single: the article
  ThreadRowsData thread;  // otherwise: the thread's lines
};

// Everything the page shows from the index, read under one shared read
// open that is closed before the page is written: a writer waits for the
// viewers inside to leave, so the time it is held decides how long.
struct PageContent {
  int count = 0;
  bool loaded = false;
  PagePlan plan;
  std::vector<PageRow> rows;
  bool limit_notice = false;  // VIEWLIMIT ended the list on this page
};

PageContent ReadPage(Request& req) {
  PageContent page;
  std::unique_ptr<File> file;
  std::string_view bytes;
  Status s = OpenWithRetry(req.env, req.files.Index(), OpenMode::kReadShared, kStandardRetry, &file);
  if (s.ok()) s = MapWholeRecords(file.get(), &bytes);
  page.loaded = s.ok();
  if (!page.loaded) {
    uint64_t size = 0;
    if (req.env->GetFileSize(req.files.Index(), &size).ok()) page.count = static_cast<int>(size / kRecordSize);
    return page;
  }
  const IndexView index(bytes);
  page.count = index.count();
  if (page.count == 0) return page;
  ThreadWalker walker(&index);
  ThreadSource threads(index, walker, req.settings);
  page.plan = PlanPage(threads, req.number, req.page_size);
  // Sized once: a row holds whole records, and growing the list would copy
  // them and touch fresh memory on every step.
  if (page.plan.end > page.plan.first) page.rows.reserve(page.plan.end - page.plan.first);
  for (std::size_t i = page.plan.first; i < page.plan.end; ++i) {
    const BoardThread& t = *threads.At(i);
    PageRow row;
    row.single = t.single;
    row.top = t.top;
    if (t.single) {
      row.rec = index.record(t.top);
    } else {
      row.thread = ReadThreadRows(req.settings, index, t.top, walker.Replies(t.top));
    }
    page.rows.push_back(std::move(row));
  }
  page.limit_notice = !threads.At(page.plan.end) && threads.limited();
  return page;
}

}  // namespace

void BoardPage(Request& req) {
  Output* out = req.out;
  WritePageHead(req);

  const PageContent page = ReadPage(req);

  WriteViewLine(req);
  WriteMoveItems(req);
  if (page.count == 0) {
    WriteNoArticles(req);
    WritePageTail(req);
    return;
  }
  if (!page.loaded) out->Line(req.labels.index_busy);

  const PagePlan& plan = page.plan;
  const Html newer = NewerItem(req, plan), older = OlderItem(req, plan);
  out->Write(newer + older);
  WritePostLine(req, !req.settings.read_only);
  const bool framed = WriteTableStart(req);
  WriteHeaderRow(req);
  for (const PageRow& row : page.rows) {
    if (row.single) {
      WriteListRow(req, row.rec, row.top);
    } else {
      WriteThreadRows(req, row.thread);
    }
  }
  CloseTable(req, framed);
  if (page.limit_notice) out->Line("<P>これ以上ログは表示出来ません。<P>"_sj);
  out->Line(newer + older);
  WritePageTail(req);
}

}  // namespace kiroq
