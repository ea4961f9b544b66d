// Cutting titles, removing line breaks, folder names.
#include "text/convert.h"

#include "text/cut.h"

namespace kiroq {

std::string CutToLength(std::string_view text, std::size_t limit, std::string_view suffix) {
  if (text.size() < limit) return std::string(text);
  // A text of exactly limit bytes keeps them all and still gets the suffix.
  std::string out(CutToBytes(text, limit, /*sjis=*/true));
  out += suffix;
  return out;
}

std::string RemoveLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

}  // namespace kiroq
