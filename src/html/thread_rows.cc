#include "html/thread_rows.h"

#include "board/settings.h"
#include "html/links.h"
#include "html/list_row.h"
#include "html/post_date.h"
#include "html/request.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

using Shown = ThreadLine;

Html DeletedTitle(const Request& req) {
  return req.japanese() ? "<FONT COLOR=\"#FF0000\">削除されています</FONT>"_sj
                        : "<FONT COLOR=\"#FF0000\">No Article</FONT>";
}

Html TitleLine(const Request& req, const Shown& l) {
  if (l.rec.is_deleted()) return DeletedTitle(req) + "<BR>";
  const Html title = ListTitle(req, l.rec.title);
  if (!req.settings.title_click) return title + "<BR>";
  // Inside a reply's link the break is part of the link text.
  if (l.depth > 0) return BoardLink(req, l.position + 1, Action::kArticle, title + "<BR>");
  return BoardLink(req, l.position + 1, Action::kArticle, title) + "<BR>";
}

// Deeper replies are indented no further: a hand-made chain thousands deep
// would otherwise grow the page with the square of its depth.
constexpr int kMaxIndent = 100;

Html Indent(int depth) {
  if (depth > kMaxIndent) depth = kMaxIndent;
  Html s;
  for (int i = 0; i < depth; ++i) s += "　"_sj;
  return s;
}

}  // namespace

void WriteThreadRows(Request& req, const IndexView& index, int top, const std::vector<ThreadReply>& replies) {
  WriteThreadRows(req, ReadThreadRows(req.settings, index, top, replies));
}

void WriteThreadRows(Request& req, const ThreadRowsData& d) {
  const Settings& s = req.settings;
  Output* out = req.out;
  const bool closed = s.tree_close;
  const int top = d.top;
  const bool top_deleted = d.top_deleted;
  const ThreadSummary& sum = d.sum;
  const std::vector<Shown>& lines = d.lines;
  // The clock is asked only when TIMECOLOR needs it.
  const LocalTime now = s.time_color != 0 ? req.env->Now() : LocalTime{};

  out->Write("<TR>");
  out->Line(CellOpen(s.no_color, true));
  for (const Shown& l : lines) {
    if (l.depth == 0) {
      out->Write(NumberLink(req, top + 1));
      out->Write(" ");
      out->Write(ThreadMark(req, top + 1));
      out->Line(closed && !top_deleted ? "(" + Html::Number(sum.visible_replies + 1) + ")" : Html("<BR>"));
    } else {
      out->Write(Indent(l.depth));
      out->Write(NumberLink(req, l.position + 1));
      out->Line("<BR>");
    }
  }

  // The header row has a date column only with USEDATE; so do the rows.
  if (s.use_date) {
    out->Write("</TD>");
    out->Line(CellOpen(s.date_color, true));
    for (const Shown& l : lines) {
      if (l.depth == 0 && closed) {
        out->Write("(");
        out->Write(FormatPostDate(sum.newest, s, now));
        out->Line(")<BR>");
      } else {
        out->Write(FormatPostDate(l.rec.date, s, now));
        out->Line("<BR>");
      }
    }
  }

  out->Write("</TD>");
  out->Line(CellOpen(s.title_color, true));
  for (const Shown& l : lines) out->Line(TitleLine(req, l));

  out->Write("</TD>");
  out->Line(CellOpen(s.writer_color, true));
  for (const Shown& l : lines) {
    out->Write(PosterName(req, l.rec, MailLinkRule::kEveryName));
    out->Line("<BR>");
  }
  out->Line("</TD></TR>");
}

}  // namespace kiroq
