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
  if (!colour.empty()) {
    s.Reserve(24 + colour.size());
    s += " BGCOLOR=\"" + Html::Trusted(colour) + "\"";
  }
  s += ">";
  return s;
}

Html ListTitle(const Request& req, std::string_view title) {
  return EscapeText(CutToLength(title, static_cast<std::size_t>(req.settings.subject_length), "..."));
}

// Written piece by piece into the page, not joined first: a page has a row
// for every article it lists.
void WriteListRow(Request& req, const IndexRecord& rec, int position) {
  const Settings& s = req.settings;
  if (rec.is_deleted() && !s.delete_visible) return;
  Output* out = req.out;
  const int n = position + 1;

  if (s.num_click) {
    out->Write("<TR><TD ALIGN=\"LEFT\"");
  } else {
    out->Write("<TR><TD ALIGN=\"CENTER\"");
  }
  if (!s.no_color.empty()) out->Write(" BGCOLOR=\"" + Html::Trusted(s.no_color) + "\"");
  out->Write(">");
  out->Write(s.num_click ? BoardLink(req, n, Action::kArticle, Html::Number(n)) : Html::Number(n));
  out->Line("</TD>");

  if (s.use_date) {
    out->Write(CellOpen(s.date_color, true));
    out->Write(FormatPostDate(rec.date, s, req.env));
    out->Line("</TD>");
  }

  out->Write(CellOpen(s.title_color, false));
  if (rec.is_deleted()) {
    out->Line(req.japanese() ? "<FONT COLOR=\"#FF0000\">削除されています</FONT></TD>"_sj
                             : "<FONT COLOR=\"#FF0000\">No Article</FONT></TD>"_sj);
  } else {
    const Html title = ListTitle(req, rec.title);
    out->Write(s.title_click ? BoardLink(req, n, Action::kArticle, title) : title);
    out->Line("</TD>");
  }

  out->Write(CellOpen(s.writer_color, true));
  out->Write(PosterName(req, rec));
  out->Line("</TD></TR>");
}

}  // namespace kiroq
