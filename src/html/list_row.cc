#include "html/list_row.h"

#include "board/dates.h"
#include "html/links.h"
#include "html/post_date.h"
#include "html/request.h"
#include "text/ascii.h"
#include "text/convert.h"
#include "text/sjis.h"

namespace kiroq {

Html CellOpen(std::string_view colour, bool nowrap) {
  Html s = nowrap ? Html("<TD NOWRAP") : Html("<TD");
  if (!colour.empty()) s += " BGCOLOR=\"" + Html::Trusted(colour) + "\"";
  return s + ">";
}

Html ListTitle(const Request& req, std::string_view title) {
  return EscapeText(CutToLength(title, static_cast<std::size_t>(req.settings.subject_length), "..."));
}

void WriteListRow(Request& req, const IndexRecord& rec, int position) {
  const Settings& s = req.settings;
  if (rec.is_deleted() && !s.delete_visible) return;
  Output* out = req.out;
  const int n = position + 1;

  Html cell = s.num_click ? Html("<TR><TD ALIGN=\"LEFT\"") : Html("<TR><TD ALIGN=\"CENTER\"");
  if (!s.no_color.empty()) cell += " BGCOLOR=\"" + Html::Trusted(s.no_color) + "\"";
  cell += ">";
  cell += s.num_click ? BoardLink(req, n, Action::kArticle, Html::Number(n)) : Html::Number(n);
  out->Line(cell + "</TD>");

  if (s.use_date) out->Line(CellOpen(s.date_color, true) + FormatPostDate(rec.date, s, req.env->Now()) + "</TD>");

  if (rec.is_deleted()) {
    out->Line(CellOpen(s.title_color, false) + (req.japanese()
                                                    ? "<FONT COLOR=\"#FF0000\">削除されています</FONT></TD>"_sj
                                                    : "<FONT COLOR=\"#FF0000\">No Article</FONT></TD>"));
  } else {
    Html title = ListTitle(req, rec.title);
    if (s.title_click) title = BoardLink(req, n, Action::kArticle, title);
    out->Line(CellOpen(s.title_color, false) + title + "</TD>");
  }

  out->Line(CellOpen(s.writer_color, true) + PosterName(req, rec) + "</TD></TR>");
}

}  // namespace kiroq
