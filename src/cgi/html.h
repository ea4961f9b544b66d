// Html: bytes of markup, the only thing a page can write (cgi/output.h).
//
// Every way to make one is declared here, so that this header is the list
// of what can reach a page unescaped:
//   - program text: string literals and "..."_sj literals, implicitly;
//   - visitor text, through an escaper named for where it goes;
//   - an administrator's files and settings, through Html::Trusted;
//   - numbers, and Html joined to Html.
// There is no conversion from std::string or std::string_view.
#ifndef KIROQ_CGI_HTML_H_
#define KIROQ_CGI_HTML_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "text/sjis.h"

namespace kiroq {

class Html {
 public:
  Html() = default;
  // Program literals.
  template <std::size_t N>
  Html(const char (&literal)[N]) : bytes_(literal, N - 1) {}
  // A writable array is a buffer filled at run time, not program text.
  template <std::size_t N>
  Html(char (&buffer)[N]) = delete;
  Html(const SjLiteral& literal) : bytes_(literal.view()) {}

  // Text from the board's administrator, used as markup: header and footer
  // files, message templates, settings values (colours, sizes, the form
  // encoding). Never for anything a visitor sent or a record holds.
  static Html Trusted(std::string_view administrator_text) { return Html(std::string(administrator_text)); }
  // Text a visitor posted, on a board whose administrator lets posts carry
  // markup (USEHTMLTAG).
  static Html AllowedPostMarkup(std::string_view post_text) { return Html(std::string(post_text)); }
  static Html Number(long long n);
  // The digits of n appended, as Number(n) would be.
  Html& AppendNumber(long long n);

  Html& operator+=(const Html& more) {
    bytes_ += more.bytes_;
    return *this;
  }
  // Program text joined as it is, without an Html made of it first.
  template <std::size_t N>
  Html& operator+=(const char (&literal)[N]) {
    bytes_.append(literal, N - 1);
    return *this;
  }
  template <std::size_t N>
  Html& operator+=(char (&buffer)[N]) = delete;
  Html& operator+=(const SjLiteral& literal) {
    bytes_ += literal.view();
    return *this;
  }
  friend bool operator==(const Html& a, const Html& b) { return a.bytes_ == b.bytes_; }

  const std::string& bytes() const { return bytes_; }
  bool empty() const { return bytes_.empty(); }
  // Room for n bytes, so that joining pieces does not allocate again.
  void Reserve(std::size_t n) { bytes_.reserve(n); }

 private:
  explicit Html(std::string bytes) : bytes_(std::move(bytes)) {}
  friend Html EscapeText(std::string_view text);
  friend Html UrlArgument(std::string_view word);
  friend Html LinkAddresses(const Html& line);
  friend Html XmlText(std::string_view text);
  friend Html LinkAddresses(const Html& line, bool* inside_link);
  friend void WriteLinkedText(std::string_view text, bool markup, bool* inside_link,
                              const std::function<void(const Html&)>& write);
  std::string bytes_;
};

// Not a hidden friend: program literals ("a"_sj + "b") join too. Pages
// join many short pieces, so a literal on either side is appended as it
// is, into one buffer sized once when the literal comes first; each join
// returns its buffer by name, so that a chain moves it along, never copies.
inline Html operator+(Html a, const Html& b) {
  a += b;
  return a;
}
template <std::size_t N>
Html operator+(Html a, const char (&literal)[N]) {
  a += literal;
  return a;
}
template <std::size_t N>
Html operator+(Html a, char (&buffer)[N]) = delete;
inline Html operator+(Html a, const SjLiteral& b) {
  a += b;
  return a;
}
template <std::size_t N>
Html operator+(const char (&literal)[N], const Html& b) {
  Html joined;
  joined.Reserve(N - 1 + b.bytes().size());
  joined += literal;
  joined += b;
  return joined;
}
template <std::size_t N>
Html operator+(char (&buffer)[N], const Html& b) = delete;
template <std::size_t N>
Html operator+(const char (&literal)[N], const SjLiteral& b) {
  return literal + Html(b);
}

// Visitor text as element content: & < > " ' become entities. None of them
// can be the second byte of a Shift-JIS character, so this works byte by
// byte.
Html EscapeText(std::string_view text);
// The same entities appended to out (for Output, which escapes into its
// buffer without a copy).
void AppendEscapedText(std::string_view text, std::string* out);
// Visitor text as a quoted attribute value (the same five entities).
inline Html EscapeAttribute(std::string_view value) { return EscapeText(value); }
// Shift-JIS (CP932) text as character data or a quoted attribute value of
// a UTF-8 XML document (the feed): decoded into UTF-8 (text/utf8.h, bytes
// without a character becoming U+FFFD), & < > " ' as entities, and the
// control characters XML 1.0 does not allow (all below 0x20 but tab, LF and
// CR) left out. ASCII text passes unchanged but for those.
Html XmlText(std::string_view text);
// A word for a query string: every byte but letters, digits and "-._~"
// percent-encoded.
Html UrlArgument(std::string_view word);
// A visitor's address as an HREF value: "http://" is put before anything
// that does not start with "http://" or "https://" (any case), so that only
// those two schemes link; then attribute-escaped.
Html LinkAddress(std::string_view address);
// True when an article's picture address may be fetched by every reader's
// browser: an absolute "http://" or "https://" address (any case) that does
// not call this program. It calls the program when, its tabs and line breaks
// dropped (as browsers drop them) and its %-escapes decoded, the program's
// file name ("kiroq.exe", which links use, or the last segment of
// script_name; any case) appears in it followed by anything but a letter,
// digit, ".", "-" or "_": an address such as kiroq.exe?board+10+1+8 would
// make every reader toggle an article.
bool IsPictureAddress(std::string_view address, std::string_view script_name);
// The address as an IMG SRC value; empty when it is no picture address.
Html PictureSource(std::string_view address, std::string_view script_name);
// The line with every address that starts "www." or "http" (any case)
// outside an existing link made a link to itself (text/convert.h
// AutoLinkAddresses). The addresses come from line, which is already markup.
Html LinkAddresses(const Html& line);
// The same for a piece of a line (text/convert.h LineCut), carrying whether
// an element is open from piece to piece.
Html LinkAddresses(const Html& line, bool* inside_link);
// Visitor text made markup and linked as LinkAddresses(EscapeText(text)) —
// or, with markup, LinkAddresses(Html::AllowedPostMarkup(text)) — makes
// it, handed to write in pieces of about 64 KiB. The text is read where it
// lies, so an address of megabytes, which its link holds twice, is never
// held whole. *inside_link as for LinkAddresses.
void WriteLinkedText(std::string_view text, bool markup, bool* inside_link,
                     const std::function<void(const Html&)>& write);

}  // namespace kiroq

#endif  // KIROQ_CGI_HTML_H_
