#include "html/links.h"

#include "html/request.h"
#include "storage/record.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

// Board names hold only letters, digits, "_" and "-" (checked at the
// start), so the encoding leaves them as they are. Joined in one reserved
// buffer: pages write dozens of links.
void AppendHref(const Request& req, long long size, long long number, Action action, Html* out) {
  *out += "kiroq.exe?";
  *out += UrlArgument(req.board);
  *out += "+";
  out->AppendNumber(size);
  *out += "+";
  out->AppendNumber(number);
  *out += "+";
  out->AppendNumber(Code(action));
}

}  // namespace

Html BoardHrefSized(const Request& req, long long page_size, long long number, Action action) {
  Html out;
  out.Reserve(48 + req.board.size());
  AppendHref(req, page_size, number, action, &out);
  return out;
}

Html BoardHref(const Request& req, long long number, Action action) {
  return BoardHrefSized(req, req.page_size, number, action);
}

Html BoardLink(const Request& req, long long number, Action action, const Html& text) {
  return BoardLinkSized(req, req.page_size, number, action, text);
}

Html BoardLinkSized(const Request& req, long long page_size, long long number, Action action, const Html& text) {
  Html out;
  out.Reserve(64 + req.board.size() + text.bytes().size());
  out += "<A HREF=\"";
  AppendHref(req, page_size, number, action, &out);
  out += "\">";
  out += text;
  out += "</A>";
  return out;
}

Html BoardLink4(const Request& req, long long number, Action action, long long fourth, const Html& text) {
  return "<A HREF=\"" + BoardHref(req, number, action) + "+" + Html::Number(fourth) + "\">" + text + "</A>";
}

Html BoardLinkNewWindow(const Request& req, long long number, Action action, const Html& text) {
  return "<A HREF=\"" + BoardHref(req, number, action) + "\" TARGET=\"_blink\">" + text + "</A>";
}

Html PersonalSettingsLink(const Request& req, const Html& text) {
  // The fourth query word as a number, 1 when it is missing.
  int back = ToIntDef(req.Word(4), 1);
  return BoardLink4(req, 0, Action::kPersonalSettingsForm, back, text);
}

Html BoardForm(const Request& req, long long number, Action action) {
  Html form = "<FORM ACTION=\"" + BoardHref(req, number, action) + "\" METHOD=\"POST\"" +
              Html::Trusted(req.settings.form_enctype) + ">";
  if (req.settings.trap_field && !req.mobile() &&
      (action == Action::kPostFromList || action == Action::kNewestAfterPost)) {
    form += Html(
        "<DIV aria-hidden=\"true\" STYLE=\"position:absolute;left:-10000px;width:1px;height:1px;overflow:hidden\">"
        "<INPUT TYPE=\"TEXT\" NAME=\"HOMEPAGE\" VALUE=\"\" autocomplete=\"off\" tabindex=\"-1\"></DIV>");
  }
  return form;
}

Html NumberLink(const Request& req, long long n) {
  if (!req.settings.num_click) return Html::Number(n);
  return BoardLink(req, n, Action::kArticle, Html::Number(n));
}

Html ThreadMark(const Request& req, long long n) {
  if (!req.settings.num_click) return Html::Number(n);
  return BoardLink(req, n, Action::kThread, "▼"_sj);
}

Html PosterName(const Request& req, const IndexRecord& rec, MailLinkRule rule) {
  if (!LinksMail(req.settings, rec, rule)) return EscapeText(rec.name);
  return "<A HREF=\"mailto:" + EscapeAttribute(rec.email) + "\">" + EscapeText(rec.name) + "</A>";
}

Html Bracketed(const Html& inner) { return "[" + inner + "]"; }

}  // namespace kiroq
