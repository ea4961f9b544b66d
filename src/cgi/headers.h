// CGI header blocks and cookies.
//
// Set-Cookie lines are header lines: write them before the page header block,
// which ends the CGI header.
#ifndef KIROQ_CGI_HEADERS_H_
#define KIROQ_CGI_HEADERS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kiroq {

class Output;

// Where the page header leaves the phone layout's lines: right after the
// META naming Shift-JIS, or to the page, which writes them after the
// board's header file (so that they hold whatever that file sets).
enum class PhoneHeadAt { kHeader, kAfterHeaderFile };

// "Content-Type: Text/html", "pragma: no-cache", the empty line, and the
// page's first line, the META element naming Shift-JIS, followed by the
// output's page head line when it has one (Output::SetPageHeadLine); then,
// at kHeader, the phone layout's lines (WritePhoneHead).
void WritePageHeader(Output* out, PhoneHeadAt phone = PhoneHeadAt::kHeader);

// When out has the phone layout (Output::set_phone_layout): the viewport
// line and a style block fitting the page to a telephone's screen (text and
// fields at 16 px at least, fields no wider than the screen, long words and
// addresses broken, wide tables scrolling inside themselves). Nothing
// otherwise.
void WritePhoneHead(Output* out);

// The header block of an Atom feed: "Content-Type: application/atom+xml;
// charset=utf-8" and the empty line. The document follows.
void WriteFeedHeader(Output* out);

// The header block of a file download: the file as an attachment of type
// application/octet-stream that browsers neither sniff (nosniff) nor run as
// a page (a sandbox policy). The file's bytes follow (Output::FileBytes).
void WriteDownloadHeader(Output* out, std::string_view file_name);

// "Location: <address>" (CR and LF removed) and the empty line: the whole
// response of a redirect.
void WriteRedirectHeader(Output* out, std::string_view address);

// Set-Cookie lines (see the line builders below), before the header block's
// end.
void WritePersistentCookie(Output* out, std::string_view pair, std::string_view path, int64_t now_unix);
void WriteTemporaryCookie(Output* out, std::string_view pair, std::string_view path);

// Removes CR and LF so that request text cannot end a header line early.
std::string HeaderSafe(std::string_view text);

// The folder of the referring page, from the first "/" after the host to
// the last "/" of the path before any "?", "#" or ";" ("" when there is
// none): the path of every cookie.
std::string CookiePath(std::string_view referer);

// The one rule for every cookie's "NAME=value" and path: text up to the
// first ";" (where a browser ends the value anyway, so that the rest cannot
// add attributes such as Domain=), without bytes below 0x20 or 0x7F (a NUL
// cuts the line short, other control bytes make web servers refuse it).
// Shift-JIS is kept whole: its second bytes are never among these.
std::string CookieText(std::string_view text);

// "Set-Cookie: NAME=value; expires=<a year after now>; path=<path>; HttpOnly;"
// with pair and path passed through CookieText.
std::string PersistentCookieLine(std::string_view pair, std::string_view path, int64_t now_unix);
// "Set-Cookie: NAME=value; path=<path>; HttpOnly;" (dropped when the browser
// closes).
std::string TemporaryCookieLine(std::string_view pair, std::string_view path);

// The cookie expiry text of a UnixTime value: "Tuesday, 16-Mar-2010 23:12:40 GMT".
std::string CookieDate(int64_t unix_time);

// The cookies the browser sent (HTTP_COOKIE), at most 16,383 bytes of them.
class Cookies {
 public:
  static constexpr std::size_t kMaxBytes = 16383;
  Cookies() = default;
  explicit Cookies(std::string_view header);

  // The value of the cookie named by key (given with its "=", "NAME="): the
  // text after the first pair that starts with key, up to the next "; ".
  // "" when absent. Only whole names match: "NAME=" never finds USERNAME.
  std::string Value(std::string_view key) const;
  bool Has(std::string_view key) const;
  const std::string& text() const { return text_; }

 private:
  // Offset of the value of key, or npos.
  std::size_t Find(std::string_view key) const;
  std::string text_;
};

}  // namespace kiroq

#endif  // KIROQ_CGI_HEADERS_H_
