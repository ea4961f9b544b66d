#include "html/links.h"

#include "html/request.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {
std::string Href(const Request& req, long long size, long long number, int action) {
  return "kiroq.exe?" + req.board + "+" + Itoa(size) + "+" + Itoa(number) + "+" + Itoa(action);
}
}  // namespace

std::string BoardHref(const Request& req, long long number, int action) {
  return Href(req, req.page_size, number, action);
}

std::string BoardLink(const Request& req, long long number, int action, std::string_view text) {
  return BoardLinkSized(req, req.page_size, number, action, text);
}

std::string BoardLinkSized(const Request& req, long long page_size, long long number, int action,
                           std::string_view text) {
  std::string s = "<A HREF=\"" + Href(req, page_size, number, action) + "\">";
  s.append(text);
  s.append("</A>");
  return s;
}

std::string BoardLink4(const Request& req, long long number, int action, long long fourth, std::string_view text) {
  std::string s = "<A HREF=\"" + BoardHref(req, number, action) + "+" + Itoa(fourth) + "\">";
  s.append(text);
  s.append("</A>");
  return s;
}

std::string BoardLinkNewWindow(const Request& req, long long number, int action, std::string_view text) {
  std::string s = "<A HREF=\"" + BoardHref(req, number, action) + "\" TARGET=\"_blink\">";
  s.append(text);
  s.append("</A>");
  return s;
}

std::string PersonalSettingsLink(const Request& req, std::string_view text) {
  // The fourth query word as a number, 1 when it is missing.
  int back = ToIntDef(req.Word(4), 1);
  return BoardLink4(req, 0, 30, back, text);
}

std::string NumberLink(const Request& req, long long n) {
  if (!req.settings.num_click) return Itoa(n);
  return BoardLink(req, n, 3, Itoa(n));
}

std::string ThreadMark(const Request& req, long long n) {
  if (!req.settings.num_click) return Itoa(n);
  return BoardLink(req, n, 12, "▼"_sj);
}

}  // namespace kiroq
