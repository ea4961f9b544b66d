#include "pages/title_list.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "board/dates.h"
#include "board/visibility.h"
#include "cgi/headers.h"
#include "cgi/output.h"
#include "html/frame.h"
#include "html/links.h"
#include "html/list_row.h"
#include "html/post_date.h"
#include "html/request.h"
#include "html/view_links.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "storage/record_window.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

constexpr Action kTitleList = Action::kTitleList;
// Rows are read this many records at a time: one read for any usual page,
// bounded memory for a huge page size.
constexpr int kRecordsPerRead = 128;

// Where a page starts and where its links lead (article numbers; -1 for a
// label without a link).
struct Paging {
  int first = -1;  // position of the first row; -1 on an empty board
  long long newer = -1;
  long long older = -1;
  long long top = 0;  // the page of the oldest articles
};

Paging PlanPages(int count, int page_size, int number) {
  Paging p;
  if (count <= 0) return p;
  // Numbers outside 1..count have no record to start from: the newest page.
  p.first = (number >= 1 && number <= count) ? number - 1 : count - 1;
  // The newer page never starts past the newest article, so walking newer
  // always ends on the newest page.
  if (p.first + 1 != count) p.newer = std::min<long long>(1LL * p.first + page_size + 1, count);
  if (p.first - page_size >= 0) p.older = p.first - page_size + 1;
  // Pages are aligned to end at article 1; a count that is a multiple of the
  // page size makes the oldest page a full one (0 would be the newest).
  p.top = count % page_size;
  if (p.top == 0) p.top = page_size;
  return p;
}

void WriteViewAndMoveLines(Request& req, const Paging& pages) {
  const PageLabels& l = req.labels;
  const Html views = ViewLinks(req, ViewLinksOn::kTitleList, BoardViewLabels(req));
  if (!views.empty()) req.out->Line(l.view_prompt + views + "<BR>");
  req.out->Write(l.move_prompt + Bracketed(BoardLink(req, 0, kTitleList, l.latest)) +
                 Bracketed(BoardLink(req, pages.top, kTitleList, l.from_top)));
}

// "[newer][older]<BR>", each a label without a link at the board's ends;
// written above and below the table.
Html PageLinks(const Request& req, const Paging& pages) {
  const PageLabels& l = req.labels;
  return Bracketed(pages.newer < 0 ? Html(l.next_page) : BoardLink(req, pages.newer, kTitleList, l.next_page)) +
         Bracketed(pages.older < 0 ? Html(l.previous_page) : BoardLink(req, pages.older, kTitleList, l.previous_page)) +
         "<BR>";
}

void WritePostLine(Request& req) {
  if (req.settings.read_only) return;
  const PageLabels& l = req.labels;
  Html line = l.post_prompt + Bracketed(BoardLink(req, 0, Action::kNewPostForm, l.new_post)) + Bracketed(l.reply);
  if (req.settings.use_cookie && req.settings.use_cookie_setting) {
    line += Bracketed(PersonalSettingsLink(req, l.personal_settings));
  }
  req.out->Line(line);
}

bool FramedTable(const Settings& s) { return s.use_border && s.border_line != 0; }

void WriteTableStart(Request& req) {
  const Settings& s = req.settings;
  const Html pad = Html::Trusted(s.cell_padding);
  if (FramedTable(s)) {
    req.out->Line("<TABLE BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\"><TR><TD BGCOLOR=\"" +
                  Html::Trusted(s.border_color) + "\">");
    req.out->Line("<TABLE BORDER=\"0\" CELLPADDING=\"" + (pad.empty() ? Html("3") : pad) + "\" CELLSPACING=\"1\">");
    return;
  }
  Html table = s.use_border ? Html("<TABLE BORDER=\"1\"") : Html("<TABLE BORDER=\"0\"");
  if (!pad.empty()) table += " CELLPADDING=\"" + pad + "\"";
  req.out->Line(table + ">");
}

// Closes the table; the outer frame only when it was opened.
void WriteTableEnd(Request& req) {
  req.out->Line("</TABLE>");
  if (FramedTable(req.settings)) req.out->Line("</TD></TR></TABLE>");
}

// open + back + "\"><FONT COLOR=\"" + fore + "\">" + heading + "</FONT></TD>";
// the colours are settings.
Html HeadCell(const Html& open, std::string_view back, std::string_view fore, const Html& heading) {
  return open + Html::Trusted(back) + "\"><FONT COLOR=\"" + Html::Trusted(fore) + "\">" + heading + "</FONT></TD>";
}

void WriteHeaderRow(Request& req) {
  const Settings& s = req.settings;
  const bool ja = req.japanese();
  const Html cell = "<TD BGCOLOR=\"";
  Html row = HeadCell("<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"", s.no_head_color, s.no_str_color,
                      ja ? req.labels.number_heading : "Article No");
  if (s.use_date) row += HeadCell(cell, s.date_head_color, s.date_str_color, ja ? "日付"_sj : "Date");
  row += HeadCell(cell, s.title_head_color, s.title_str_color, ja ? "タイトル"_sj : "Title");
  row += HeadCell(cell, s.writer_head_color, s.writer_str_color, ja ? "記入者"_sj : "Posted by");
  if (s.use_comment_number) {
    row += "<TD BGCOLOR=\"" + Html::Trusted(s.tree_head_color) + "\" ALIGN=\"CENTER\">";
    row += ja ? "コメント元"_sj : "Original";
    row += "</TD>";
  }
  req.out->Line(row + "</TR>");
}

// Written piece by piece into the page, not joined first: a page has a row
// for every article it lists.
void WriteRow(Request& req, const IndexRecord& rec, int position) {
  const Settings& s = req.settings;
  Output* out = req.out;
  const int n = position + 1;
  const bool deleted = rec.is_deleted();

  out->Write("<TR><TD ALIGN=\"CENTER\"");
  if (s.num_click && !s.no_color.empty()) out->Write(" BGCOLOR=\"" + Html::Trusted(s.no_color) + "\"");
  out->Write(">");
  out->Write(s.num_click ? BoardLink(req, n, Action::kArticle, Html::Number(n)) : Html::Number(n));
  out->Write("</TD>");

  if (s.use_date) {
    out->Write(CellOpen(s.date_color, !deleted));
    out->Write(FormatPostDate(rec.date, s, req.env));
    out->Write("</TD>");
  }

  out->Write(CellOpen(s.title_color, false));
  if (deleted) {
    out->Write("<FONT COLOR=\"#FF0000\">");
    out->Write(req.japanese() ? "削除されています"_sj : "Deleted"_sj);
    out->Write("</FONT>");
  } else {
    const Html title = ListTitle(req, rec.title);
    out->Write(s.title_click ? BoardLink(req, n, Action::kArticle, title) : title);
  }
  out->Write("</TD>");

  out->Write(CellOpen(s.writer_color, false));
  out->Write(PosterName(req, rec));
  out->Write("</TD>");

  if (s.use_comment_number) {
    out->Write("<TD ALIGN=\"CENTER\">");
    if (rec.parent != 0) {
      out->Write(BoardLinkSized(req, 0, rec.parent, Action::kArticle, Html::Number(rec.parent)));
    } else {
      out->Write("---");
    }
    out->Write("</TD>");
  }
  out->Line("</TR>");
}

// The rows from the first position down, page size of them at most. A
// deleted article hidden by DELETEVISIBLE still takes its place on the page.
void WriteRows(Request& req, int count, const Paging& pages) {
  const Settings& s = req.settings;
  const int page_size = req.page_size;
  // Positions at or below this one are too old to show (VIEWLIMIT).
  const long long too_old = ViewLimitFloor(s.view_limit, count);

  // The records are read with the index open; the rows are made and written
  // once it is closed.
  struct Row {
    int position;
    IndexRecord rec;
  };
  std::vector<Row> rows;
  bool cut_off = false;
  {
    std::unique_ptr<File> index = OpenIndexForPage(req);
    long long lowest = std::max<long long>({0, 1LL * pages.first - page_size + 1, too_old + 1});
    RecordWindow reader(index.get(), static_cast<int>(std::min<long long>(lowest, pages.first)), kRecordsPerRead,
                        kRecordsPerRead);
    int p = pages.first;
    for (int row = 0; row < page_size && p >= 0; ++row, --p) {
      if (p <= too_old) {
        cut_off = true;
        break;
      }
      IndexRecord rec;
      if (!reader.Get(p, &rec)) continue;
      if (rec.is_deleted() && !s.delete_visible) continue;
      rows.push_back({p, std::move(rec)});
    }
  }
  for (const Row& row : rows) WriteRow(req, row.rec, row.position);
  WriteTableEnd(req);
  if (cut_off) req.out->Line("これ以上ログは表示出来ません<P>"_sj);
}

}  // namespace

void TitleListPage(Request& req) {
  WritePageHead(req);

  uint64_t size = 0;
  if (!req.env->GetFileSize(req.files.Index(), &size).ok()) size = 0;
  const int count = static_cast<int>(std::min<uint64_t>(size / kRecordSize, std::numeric_limits<int>::max()));
  const Paging pages = PlanPages(count, req.page_size, req.number);

  WriteViewAndMoveLines(req, pages);
  const Html page_links = PageLinks(req, pages);
  req.out->Line(page_links);
  WritePostLine(req);

  if (count == 0) {
    req.out->Line("<P>" + req.labels.empty_board + "<P>");
  } else {
    WriteTableStart(req);
    WriteHeaderRow(req);
    WriteRows(req, count, pages);
  }

  req.out->Line(page_links);
  WritePageTail(req);
}

}  // namespace kiroq
