#include "text/cut.h"

#include "text/sjis.h"

namespace kiroq {

std::string_view CutToBytes(std::string_view s, std::size_t n, bool sjis) {
  if (s.size() <= n) return s;
  if (!sjis) return s.substr(0, n);
  std::size_t i = 0;
  while (i < n) {
    std::size_t width = IsLeadByte(s[i]) ? 2 : 1;
    if (i + width > n) break;
    i += width;
  }
  return s.substr(0, i);
}

}  // namespace kiroq
