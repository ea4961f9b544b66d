#include "cgi/mobile_body.h"

namespace kiroq {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

void DecodeMobileBody(std::string* body) {
  std::string& s = *body;
  const std::size_t n = s.size();
  std::size_t out = 0;
  for (std::size_t in = 0; in < n; ++in) {
    char c = s[in];
    if (c == '\0') break;
    if (c == '+') {
      c = ' ';
    } else if (c == '%' && in + 2 < n && HexValue(s[in + 1]) >= 0 && HexValue(s[in + 2]) >= 0) {
      c = static_cast<char>(HexValue(s[in + 1]) * 16 + HexValue(s[in + 2]));
      if (c == '&') c = kDecodedAmpersand;
      in += 2;
    }
    s[out++] = c;  // out <= in: decoding only shrinks
  }
  s.resize(out);
}

std::size_t FindMobileValue(std::string_view body, std::string_view name, std::size_t* length) {
  *length = 0;
  if (name.empty()) return std::string_view::npos;
  std::string key(name);
  key.push_back('=');
  // Only a whole name counts: "URL=" must not find the value of IMAGEURL,
  // nor "PASSWORD=" that of DELPASSWORD.
  std::size_t at = body.find(key);
  while (at != std::string_view::npos && at > 0 && body[at - 1] != '&') at = body.find(key, at + 1);
  if (at == std::string_view::npos) return at;
  std::size_t start = at + key.size();
  std::size_t end = body.find('&', start);
  if (end == std::string_view::npos) end = body.size();
  *length = end - start;
  return start;
}

}  // namespace kiroq
