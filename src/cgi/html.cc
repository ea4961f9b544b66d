#include "cgi/html.h"

#include "text/ascii.h"
#include "text/convert.h"

namespace kiroq {

Html Html::Number(long long n) { return Html(Itoa(n)); }

Html EscapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
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
        out.append("&#39;");
        break;
      default:
        out.push_back(c);
    }
  }
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

Html LinkAddresses(const Html& line) { return Html(AutoLinkAddresses(line.bytes())); }

}  // namespace kiroq
