#include "cgi/html.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "text/address_scan.h"
#include "text/ascii.h"
#include "text/convert.h"
#include "text/sjis.h"
#include "text/utf8.h"

namespace kiroq {

Html Html::Number(long long n) {
  Html digits;
  digits.AppendNumber(n);
  return digits;
}

Html& Html::AppendNumber(long long n) {
  char digits[24];
  char* p = digits + sizeof(digits);
  unsigned long long v = n < 0 ? 0ull - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (n < 0) *--p = '-';
  bytes_.append(p, static_cast<std::size_t>(digits + sizeof(digits) - p));
  return *this;
}

namespace {

// The first of the sixteen-byte blocks from p that holds & < > " or ',
// or the last stretch shorter than a block: compared a whole block at a
// time (the compiler's vector types, one instruction per comparison on
// machines that have them).
const char* SkipPlainBlocks(const char* p, const char* end) {
  using Block = unsigned char __attribute__((vector_size(16)));
  while (end - p >= 16) {
    Block b;
    std::memcpy(&b, p, sizeof(b));
    const auto hit = (b == '&') | (b == '<') | (b == '>') | (b == '"') | (b == '\'');
    uint64_t halves[2];
    std::memcpy(halves, &hit, sizeof(halves));
    if ((halves[0] | halves[1]) != 0) break;
    p += 16;
  }
  return p;
}

}  // namespace

void AppendEscapedText(std::string_view text, std::string* out) {
  // Runs of bytes that need no entity are copied whole; bodies are long
  // runs, found a block at a time.
  static constexpr auto kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0; c < 256; ++c) plain[c] = c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
    return plain;
  }();
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char* const run = p;
    p = SkipPlainBlocks(p, end);
    while (p < end && kPlain[static_cast<unsigned char>(*p)]) ++p;
    out->append(run, static_cast<std::size_t>(p - run));
    if (p == end) break;
    switch (*p++) {
      case '&':
        out->append("&amp;");
        break;
      case '<':
        out->append("&lt;");
        break;
      case '>':
        out->append("&gt;");
        break;
      case '"':
        out->append("&quot;");
        break;
      default:
        out->append("&#39;");
    }
  }
}

Html EscapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscapedText(text, &out);
  return Html(std::move(out));
}

namespace {

// The bytes XmlText does not copy as they are: & < > " ' and the control
// characters but tab, LF and CR.
constexpr bool IsXmlSpecial(unsigned char c) {
  return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == '&' || c == '<' || c == '>' || c == '"' || c == '\'';
}

}  // namespace

Html XmlText(std::string_view text) {
  const std::string utf8 = Cp932ToUtf8(text);
  std::string out;
  out.reserve(utf8.size() + utf8.size() / 8);
  // Runs of ordinary bytes (those of characters beyond ASCII are all 0x80
  // and above) are copied whole.
  std::size_t run = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (!IsXmlSpecial(c)) continue;
    out.append(utf8, run, i - run);
    run = i + 1;
    switch (c) {
      case '&':
        out.append("&amp;");
        break;
      case '<':
        out.append("&lt;");
        break;
      case '>':
        out.append("&gt;");
        break;
      case '"':
        out.append("&quot;");
        break;
      case '\'':
        out.append("&apos;");
        break;
      default:
        break;  // a control character XML does not allow
    }
  }
  out.append(utf8, run, std::string::npos);
  return Html(std::move(out));
}

Html UrlArgument(std::string_view word) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : word) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return Html(std::move(out));
}

Html LinkAddress(std::string_view address) {
  if (StartsWithIgnoreCase(address, "http://") || StartsWithIgnoreCase(address, "https://")) {
    return EscapeAttribute(address);
  }
  return "http://" + EscapeAttribute(address);
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The address as the server that gets it will read it, upper-cased.
std::string AsRequested(std::string_view address) {
  std::string kept;
  for (char c : address) {
    if (c != '\t' && c != '\r' && c != '\n') kept.push_back(c);
  }
  std::string out;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (kept[i] == '%' && i + 2 < kept.size() && HexDigit(kept[i + 1]) >= 0 && HexDigit(kept[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigit(kept[i + 1]) * 16 + HexDigit(kept[i + 2])));
      i += 2;
    } else {
      out.push_back(kept[i]);
    }
  }
  return ToUpperAscii(out);
}

bool IsNameByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

// True when name (upper-cased) appears in address other than as the start
// of a longer file name.
bool Names(std::string_view address, std::string_view name) {
  if (name.empty()) return false;
  for (std::size_t at = address.find(name); at != std::string_view::npos; at = address.find(name, at + 1)) {
    const std::size_t after = at + name.size();
    if (after == address.size() || !IsNameByte(address[after])) return true;
  }
  return false;
}

}  // namespace

bool IsPictureAddress(std::string_view address, std::string_view script_name) {
  if (!StartsWithIgnoreCase(address, "http://") && !StartsWithIgnoreCase(address, "https://")) return false;
  const std::string requested = AsRequested(address);
  const std::size_t slash = script_name.rfind('/');
  const std::string_view own = slash == std::string_view::npos ? script_name : script_name.substr(slash + 1);
  return !Names(requested, "KIROQ.EXE") && !Names(requested, ToUpperAscii(own));
}

Html PictureSource(std::string_view address, std::string_view script_name) {
  return IsPictureAddress(address, script_name) ? EscapeAttribute(address) : Html();
}

Html LinkAddresses(const Html& line) { return Html(AutoLinkAddresses(line.bytes())); }

void WriteLinkedText(std::string_view text, bool markup, bool* inside_link,
                     const std::function<void(const Html&)>& write) {
  // One buffer of about kPiece bytes, handed on as a copy and used again:
  // a long line makes no allocations of ever other sizes.
  constexpr std::size_t kPiece = 64 * 1024, kRawStep = 8 * 1024;
  std::string out;
  out.reserve(kPiece + 6 * kRawStep);
  auto flush = [&] {
    if (out.empty()) return;
    write(Html(out));
    out.clear();
  };
  // Text as markup: escaped unless the board allows markup.
  auto text_out = [&](std::string_view raw) {
    for (std::size_t at = 0; at < raw.size(); at += kRawStep) {
      const std::string_view piece = raw.substr(at, kRawStep);
      if (markup) {
        out.append(piece);
      } else {
        AppendEscapedText(piece, &out);
      }
      if (out.size() >= kPiece) flush();
    }
  };
  // The linker's walk, on the text before escaping: escaping keeps blanks,
  // line breaks and double-byte characters, its entities start no address,
  // and escaped text holds no "<A" (so no link is open then).
  ScanAddresses(
      text, markup, inside_link,
      [&](std::size_t from, std::size_t to, bool www) {
        out += "<A HREF=\"";
        if (www) out += "http://";
        text_out(text.substr(from, to - from));
        out += "\" TARGET=\"_blink\">";
        text_out(text.substr(from, to - from));
        out += "</A>";
      },
      text_out);
  flush();
}

Html LinkAddresses(const Html& line, bool* inside_link) { return Html(AutoLinkAddresses(line.bytes(), inside_link)); }

}  // namespace kiroq
