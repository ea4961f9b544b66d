#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace kiroq::fuzz {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

Split SplitFirstLine(std::string_view text) {
  Split s;
  std::size_t nl = text.find('\n');
  if (nl == std::string_view::npos) {
    s.first_line = text;
    return s;
  }
  s.first_line = text.substr(0, nl);
  if (!s.first_line.empty() && s.first_line.back() == '\r') s.first_line.remove_suffix(1);
  s.rest = text.substr(nl + 1);
  return s;
}

std::vector<std::string> QuotedAfter(std::string_view text, std::string_view marker, std::size_t max) {
  std::vector<std::string> out;
  std::size_t at = text.find(marker);
  while (at != std::string_view::npos && out.size() < max) {
    std::size_t from = at + marker.size();
    std::size_t quote = text.find('"', from);
    if (quote == std::string_view::npos) break;
    out.emplace_back(text.substr(from, quote - from));
    at = text.find(marker, quote);
  }
  return out;
}

std::vector<std::string> CookieKeys(std::string_view header, std::size_t max) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < header.size() && out.size() < max) {
    while (start < header.size() && header[start] == ' ') ++start;
    std::size_t eq = header.find('=', start);
    std::size_t semi = header.find(';', start);
    if (eq == std::string_view::npos) break;
    if (semi == std::string_view::npos || eq < semi) out.emplace_back(header.substr(start, eq + 1 - start));
    if (semi == std::string_view::npos) break;
    start = semi + 1;
  }
  return out;
}

bool Inside(std::string_view s, std::string_view buffer) {
  if (s.empty()) return true;
  std::less_equal<const char*> le;
  return le(buffer.data(), s.data()) && le(s.data() + s.size(), buffer.data() + buffer.size());
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace kiroq::fuzz
