#include "pages/delete_page.h"

#include <string>

#include "cgi/headers.h"
#include "cgi/output.h"
#include "html/links.h"
#include "html/request.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

void DeletePage(Request& req) {
  Output* out = req.out;
  const Html number = Html::Number(req.number);
  const Html form = BoardForm(req, req.number, Action::kToggleWithPassword);
  WritePageHeader(out);
  out->Line("<HTML>");
  out->Line("<BODY BGCOLOR=\"#FFFFE0\"><CENTER>");
  if (req.mobile()) {
    out->Line("発言削除メニュー<BR>"_sj);
    out->Line(form);
    out->Line("対象番号 ["_sj + number + "]<BR>");
    out->Line("削除パスワード<BR><INPUT TYPE=\"PASSWORD\" SIZE=\"10\" NAME=\"DELPASSWORD\"><BR>"_sj);
    out->Line("<INPUT TYPE=\"SUBMIT\" VALUE=\"削除する\">"_sj);
  } else {
    out->Line("発言削除メニュー<P>"_sj);
    out->Line("<TABLE BORDER>");
    out->Line(form);
    out->Line("<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">削除又は復活する発言番号</TD><TD BGCOLOR=\"#E0FFE0\">"_sj + number +
              "</TD></TR>");
    out->Line(
        "<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">記入した削除用パスワード</TD><TD BGCOLOR=\"#E0FFE0\">"
        "<INPUT TYPE=\"PASSWORD\" SIZE=\"10\" NAME=\"DELPASSWORD\"></TD></TR>"_sj);
    out->Line("</TABLE><P>");
    out->Line("<INPUT TYPE=\"SUBMIT\" VALUE=\"削除する\">"_sj);
  }
  out->Line("</FORM>");
  out->Line("</CENTER></BODY></HTML>");
}

}  // namespace kiroq
