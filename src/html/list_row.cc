#include "html/list_row.h"

#include "html/request.h"
#include "html/links.h"
#include "board/dates.h"
#include "html/post_date.h"
#include "text/ascii.h"
#include "text/convert.h"
#include "text/sjis.h"

namespace kiroq {

std::string CellOpen(std::string_view colour, bool nowrap) {
  std::string s = nowrap ? "<TD NOWRAP" : "<TD";
  if (!colour.empty()) {
    s += " BGCOLOR=\"";
    s.append(colour);
    s += "\"";
  }
  s += ">";
  return s;
}

std::string ListTitle(const Request& req, std::string_view title) {
  return EscapeHtml(CutToLength(title, static_cast<std::size_t>(req.settings.subject_length), "..."));
}

void WriteListRow(Request& req, const IndexRecord& rec, int position) {
  const Settings& s = req.settings;
  if (rec.is_deleted() && !s.delete_visible) return;
  Output* out = req.out;
  const int n = position + 1;

  std::string cell = s.num_click ? "<TR><TD ALIGN=\"LEFT\"" : "<TR><TD ALIGN=\"CENTER\"";
  if (!s.no_color.empty()) cell += " BGCOLOR=\"" + s.no_color + "\"";
  cell += ">";
  cell += s.num_click ? BoardLink(req, n, 3, Itoa(n)) : Itoa(n);
  out->Line(cell + "</TD>");

  if (s.use_date) out->Line(CellOpen(s.date_color, true) + FormatPostDate(rec.date, s, req.env->Now()) + "</TD>");

  if (rec.is_deleted()) {
    out->Line(CellOpen(s.title_color, false) +
              std::string(req.japanese() ? "<FONT COLOR=\"#FF0000\">削除されています</FONT></TD>"_sj
                                         : "<FONT COLOR=\"#FF0000\">No Article</FONT></TD>"));
  } else {
    std::string title = ListTitle(req, rec.title);
    if (s.title_click) title = BoardLink(req, n, 3, title);
    out->Line(CellOpen(s.title_color, false) + title + "</TD>");
  }

  if (s.use_mail && !rec.email.empty() && !rec.is_deleted()) {
    out->Line(CellOpen(s.writer_color, true) + "<A HREF=\"mailto:" + EscapeHtml(rec.email) + "\">" +
              EscapeHtml(rec.name) + "</A></TD></TR>");
  } else {
    out->Line(CellOpen(s.writer_color, true) + EscapeHtml(rec.name) + "</TD></TR>");
  }
}

}  // namespace kiroq
