#include "cgi/headers.h"

#include <cstdio>

#include "cgi/output.h"

namespace kiroq {

// The one user of Output's header lines.
class HeaderWriter {
 public:
  static void Line(Output* out, std::string_view line) { out->HeaderLine(line); }
  static void End(Output* out, bool download = false) { out->EndHeader(download); }
};

void WritePageHeader(Output* out, PhoneHeadAt phone) {
  HeaderWriter::Line(out, "Content-Type: Text/html");
  HeaderWriter::Line(out, "pragma: no-cache");
  HeaderWriter::End(out);
  out->Line("<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">");
  if (!out->page_head_line().empty()) out->Line(out->page_head_line());
  if (phone == PhoneHeadAt::kHeader) WritePhoneHead(out);
}

void WriteFeedHeader(Output* out) {
  HeaderWriter::Line(out, "Content-Type: application/atom+xml; charset=utf-8");
  HeaderWriter::End(out);
}

// Pages carry no DOCTYPE, so browsers lay them out in quirks mode, where
// table cells do not inherit the body's font size: cells are named too.
void WritePhoneHead(Output* out) {
  if (!out->phone_layout()) return;
  out->Line("<META NAME=\"viewport\" CONTENT=\"width=device-width, initial-scale=1\">");
  out->Line("<STYLE TYPE=\"text/css\">");
  out->Line("BODY,TD,TH,INPUT,SELECT,TEXTAREA{font-size:16px}");
  out->Line("FONT[SIZE^=\"-\"],FONT[SIZE=\"1\"],FONT[SIZE=\"2\"],SMALL{font-size:inherit}");
  out->Line("BODY{overflow-wrap:break-word}");
  out->Line("INPUT,SELECT,TEXTAREA,IMG{max-width:100%;box-sizing:border-box}");
  out->Line("TD INPUT,TD SELECT,TD TEXTAREA{max-width:60vw}");
  out->Line("TABLE{display:block;overflow-x:auto;max-width:100%;box-sizing:border-box}");
  out->Line("IMG{height:auto}");
  out->Line("PRE{white-space:pre-wrap}");
  out->Line("</STYLE>");
}

void WriteDownloadHeader(Output* out, std::string_view file_name) {
  HeaderWriter::Line(out, "Content-Disposition: attachment; filename=" + HeaderSafe(file_name));
  HeaderWriter::Line(out, "Content-Type: application/octet-stream");
  // A visitor's file, served from the board's own address: never read as a
  // page, never run as one.
  HeaderWriter::Line(out, "X-Content-Type-Options: nosniff");
  HeaderWriter::Line(out, "Content-Security-Policy: sandbox");
  HeaderWriter::End(out, true);
}

void WriteRedirectHeader(Output* out, std::string_view address) {
  HeaderWriter::Line(out, "Location: " + HeaderSafe(address));
  HeaderWriter::End(out);
}

void WritePersistentCookie(Output* out, std::string_view pair, std::string_view path, int64_t now_unix) {
  HeaderWriter::Line(out, PersistentCookieLine(pair, path, now_unix));
}

void WriteTemporaryCookie(Output* out, std::string_view pair, std::string_view path) {
  HeaderWriter::Line(out, TemporaryCookieLine(pair, path));
}

std::string HeaderSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

std::string CookiePath(std::string_view referer) {
  std::size_t end = referer.find_first_of("?#;");
  if (end != std::string_view::npos) referer = referer.substr(0, end);
  std::size_t from = 0;
  std::size_t scheme = referer.find("://");
  if (scheme != std::string_view::npos) {
    from = referer.find('/', scheme + 3);
  } else {
    from = referer.find('/');
  }
  std::size_t last = referer.rfind('/');
  if (from == std::string_view::npos || last == std::string_view::npos || last < from) return std::string();
  return CookieText(referer.substr(from, last - from + 1));
}

std::string CookieText(std::string_view text) {
  text = text.substr(0, text.find(';'));
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) out.push_back(c);
  }
  return out;
}

std::string CookieDate(int64_t t) {
  static const char* const kDays[] = {"Thursday", "Friday", "Saturday", "Sunday", "Monday", "Tuesday", "Wednesday"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int64_t days = t / 86400;
  int64_t secs = t % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  const char* weekday = kDays[((days % 7) + 7) % 7];  // 1970-01-01 was a Thursday
  // Civil date from a day count (proleptic Gregorian calendar).
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%s, %02d-%s-%04d %02d:%02d:%02d GMT", weekday, static_cast<int>(d), kMonths[m - 1],
                static_cast<int>(y), static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                static_cast<int>(secs % 60));
  return buf;
}

std::string PersistentCookieLine(std::string_view pair, std::string_view path, int64_t now_unix) {
  constexpr int64_t kOneYear = 365 * 86400;
  return "Set-Cookie: " + CookieText(pair) + "; expires=" + CookieDate(now_unix + kOneYear) +
         "; path=" + CookieText(path) + "; HttpOnly;";
}

std::string TemporaryCookieLine(std::string_view pair, std::string_view path) {
  return "Set-Cookie: " + CookieText(pair) + "; path=" + CookieText(path) + "; HttpOnly;";
}

Cookies::Cookies(std::string_view header) : text_(header.substr(0, kMaxBytes)) {}

std::size_t Cookies::Find(std::string_view key) const {
  if (key.empty()) return std::string::npos;
  std::size_t pos = 0;
  while ((pos = text_.find(key, pos)) != std::string::npos) {
    // A pair starts the text or follows ";" and any blanks.
    std::size_t before = pos;
    while (before > 0 && text_[before - 1] == ' ') --before;
    if (before == 0 || text_[before - 1] == ';') return pos + key.size();
    ++pos;
  }
  return std::string::npos;
}

std::string Cookies::Value(std::string_view key) const {
  std::size_t start = Find(key);
  if (start == std::string::npos) return std::string();
  std::size_t end = text_.find("; ", start);
  if (end == std::string::npos) end = text_.size();
  return text_.substr(start, end - start);
}

bool Cookies::Has(std::string_view key) const { return Find(key) != std::string::npos; }

}  // namespace kiroq
