#include "present/board_page.h"

#include <algorithm>
#include <limits>
#include <string>

#include "cgi/headers.h"
#include "main/request.h"
#include "pages/frame.h"
#include "pages/links.h"
#include "present/dates.h"
#include "present/list_row.h"
#include "present/thread_tree.h"
#include "storage/record.h"
#include "text/sjis.h"

namespace kiroq {

BoardThreads CollectThreads(const IndexView& index, ThreadWalker& walker, const Settings& s) {
  BoardThreads threads;
  const int n = index.count();
  for (int top = n - 1; top >= 0; --top) {
    if (index.parent(top) != 0) continue;
    const std::vector<ThreadReply> replies = walker.Replies(top);
    const ThreadSummary sum = SummarizeThread(index, replies, s.delete_visible, SortDateFloor());
    const bool top_visible = s.delete_visible || !index.deleted(top);
    if (!top_visible && (s.tree_close || sum.visible_replies == 0)) continue;
    if (s.view_limit != 0 && static_cast<long long>(top) <= static_cast<long long>(n) - s.view_limit - 2) {
      threads.limited = true;
      continue;
    }
    BoardThread t;
    t.top = top;
    t.single = replies.empty();
    t.rows = s.tree_close ? 1 : sum.visible_replies + 1;
    if (t.single) {
      if (!PostDateToDays(index.date(top), &t.newest_days)) t.newest_days = -std::numeric_limits<double>::infinity();
    } else {
      t.newest_days = sum.newest_days;
    }
    threads.list.push_back(t);
  }
  if (s.new_post_sort) {
    // The list is newest top first, so a stable sort keeps that for ties.
    std::stable_sort(threads.list.begin(), threads.list.end(),
                     [](const BoardThread& a, const BoardThread& b) { return a.newest_days > b.newest_days; });
  }
  return threads;
}

std::size_t PageEnd(const std::vector<BoardThread>& threads, std::size_t first, int page_size) {
  long long rows = 0;
  std::size_t end = first;
  // The first thread always goes, whatever the page size.
  while (end < threads.size() && (end == first || rows <= page_size)) rows += threads[end++].rows;
  return end;
}

PagePlan PlanPage(const std::vector<BoardThread>& threads, long long number, int page_size) {
  PagePlan plan;
  const std::size_t size = threads.size();
  plan.first = size;
  if (number == 0) {
    plan.first = 0;
  } else {
    // The newest listed top at or below the article.
    for (std::size_t i = 0; i < size; ++i) {
      if (threads[i].top <= number - 1 && (plan.first == size || threads[i].top > threads[plan.first].top)) {
        plan.first = i;
      }
    }
  }
  plan.end = PageEnd(threads, plan.first, page_size);
  if (plan.end < size) plan.older = threads[plan.end].top + 1;
  if (plan.first > 0) {
    // Cut from the first page until the piece that holds the thread before.
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = PageEnd(threads, start, page_size);
      if (end >= plan.first) break;
      start = end;
    }
    plan.newer = start == 0 ? 0 : threads[start].top + 1;
  }
  return plan;
}

namespace {

void WriteViewLine(Request& req) {
  const PageLabels& l = req.labels;
  std::string items;
  switch (req.settings.view_select) {
    case 0:
      items = "[" + BoardLink(req, 0, 1, l.title_list) + "][" + BoardLink(req, 0, 11, l.article_list) + "]";
      break;
    case 1:
      items = "[" + BoardLink(req, 0, 1, l.title_list) + "]";
      break;
    case 2:
      items = "[" + BoardLink(req, 0, 2, l.tree) + "]";
      break;
    case 11:
      items = "[" + BoardLink(req, 0, 11, l.article_list) + "]";
      break;
    default:
      return;
  }
  req.out->Line(std::string(l.view_prompt) + items + "<BR>");
}

void WriteMoveItems(Request& req) {
  req.out->Raw(req.labels.move_prompt);
  req.out->Raw("[" + BoardLink(req, 0, 2, req.labels.latest) + "]");
  req.out->Raw("[" + BoardLink(req, req.page_size, 2, req.labels.from_top) + "]");
}

// The post items (when with_post) and the personal settings item; ends the
// line when anything was written.
void WritePostLine(Request& req, bool with_post) {
  std::string line;
  if (with_post) {
    line = std::string(req.labels.post_prompt) + "[" + BoardLink(req, 0, 0, req.labels.new_post) + "][" +
           std::string(req.labels.reply) + "]";
  }
  if (req.settings.use_cookie && req.settings.use_cookie_setting) {
    line += "[" + PersonalSettingsLink(req, req.labels.personal_settings) + "]";
  }
  if (!line.empty()) req.out->Line(line);
}

// Writes the table start; true when the outer frame table was opened.
bool WriteTableStart(Request& req) {
  const Settings& s = req.settings;
  const std::string& pad = s.cell_padding;
  Output* out = req.out;
  if (s.use_border && s.border_line != 0) {
    out->Line("<TABLE BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\"><TR><TD BGCOLOR=\"" + s.border_color + "\">");
    out->Line("<TABLE BORDER=\"0\" CELLPADDING=\"" + (pad.empty() ? std::string("3") : pad) + "\" CELLSPACING=\"1\">");
    return true;
  }
  const std::string border = s.use_border ? "1" : "0";
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
  auto head = [](const std::string& bg, const std::string& fg, std::string_view label) {
    return "<TD BGCOLOR=\"" + bg + "\"><FONT COLOR=\"" + fg + "\">" + std::string(label) + "</FONT></TD>";
  };
  std::string row = "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"" + s.no_head_color + "\"><FONT COLOR=\"" + s.no_str_color +
                    "\">" + std::string(l.number_heading) + "</FONT></TD>";
  if (s.use_date) row += head(s.date_head_color, s.date_str_color, l.date_heading);
  row += head(s.title_head_color, s.title_str_color, l.title_heading);
  row += head(s.writer_head_color, s.writer_str_color, l.poster_heading) + "</TR>";
  req.out->Line(row);
}

void CloseTable(Request& req, bool framed) {
  req.out->Line("</TABLE>");
  if (framed) req.out->Line("</TD></TR></TABLE>");
}

std::string NewerItem(const Request& req, const PagePlan& plan) {
  if (plan.newer < 0) return "[" + std::string(req.labels.next_page) + "]";
  return "[" + BoardLink(req, plan.newer, 2, req.labels.next_page) + "]";
}

std::string OlderItem(const Request& req, const PagePlan& plan) {
  if (plan.older < 0) return "[" + std::string(req.labels.previous_page) + "]<BR>";
  return "[" + BoardLink(req, plan.older, 2, req.labels.previous_page) + "]<BR>";
}

void WriteNoArticles(Request& req) {
  req.out->Raw("<BR>");
  WritePostLine(req, true);
  req.out->Line("<P>" + std::string(req.labels.no_articles) + "<P>");
}

}  // namespace

void BoardPage(Request& req) {
  Output* out = req.out;
  WritePageHeader(out);
  WritePageHead(req);

  std::string bytes;
  const Status loaded = LoadWholeIndex(req.env, req.files.Index(), &bytes);
  int count = 0;
  if (loaded.ok()) {
    count = IndexView(bytes).count();
  } else {
    uint64_t size = 0;
    if (req.env->GetFileSize(req.files.Index(), &size).ok()) count = static_cast<int>(size / kRecordSize);
    bytes.clear();
  }
  req.count = count;

  WriteViewLine(req);
  WriteMoveItems(req);
  if (count == 0) {
    WriteNoArticles(req);
    WritePageTail(req);
    return;
  }
  if (!loaded.ok()) out->Line(req.labels.index_busy);

  const IndexView index(bytes);
  ThreadWalker walker(&index);
  const BoardThreads threads = CollectThreads(index, walker, req.settings);
  const PagePlan plan = PlanPage(threads.list, req.number, req.page_size);
  const std::string newer = NewerItem(req, plan), older = OlderItem(req, plan);

  out->Raw(newer + older);
  WritePostLine(req, !req.settings.read_only);
  const bool framed = WriteTableStart(req);
  WriteHeaderRow(req);
  for (std::size_t i = plan.first; i < plan.end; ++i) {
    const BoardThread& t = threads.list[i];
    if (t.single) {
      WriteListRow(req, index.record(t.top), t.top);
    } else {
      WriteThreadRows(req, index, t.top, walker.Replies(t.top));
    }
  }
  CloseTable(req, framed);
  if (threads.limited && plan.end == threads.list.size()) out->Line("<P>これ以上ログは表示出来ません。<P>"_sj);
  out->Line(newer + older);
  WritePageTail(req);
}

}  // namespace kiroq
