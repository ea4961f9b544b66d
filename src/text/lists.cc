// Comma lists and number lists such as "3-5,9".
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/ascii.h"
#include "text/convert.h"

namespace kiroq {

namespace {

// Control characters and the space separate items; a NUL byte ends the text.
bool IsBlank(char c) { return c >= 1 && c <= ' '; }

void SkipBlanks(std::string_view text, std::size_t* pos) {
  while (*pos < text.size() && IsBlank(text[*pos])) ++*pos;
}

// The item quoted at pos (which holds the opening quote); pos ends after the
// closing quote. A quote doubled inside stands for one; an unclosed quote
// runs to the end of the text.
std::string QuotedItem(std::string_view text, std::size_t* pos) {
  std::string item;
  std::size_t i = *pos + 1;
  while (i < text.size() && text[i] != '\0') {
    if (text[i] == '"') {
      if (i + 1 < text.size() && text[i + 1] == '"') {
        item += '"';
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    item += text[i++];
  }
  *pos = i;
  return item;
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> items;
  std::size_t pos = 0;
  SkipBlanks(text, &pos);
  while (pos < text.size()) {
    if (text[pos] == '"') {
      items.push_back(QuotedItem(text, &pos));
    } else {
      const std::size_t start = pos;
      while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != ',') ++pos;
      items.emplace_back(text.substr(start, pos - start));
    }
    SkipBlanks(text, &pos);
    if (pos < text.size() && text[pos] == ',') {
      ++pos;
      if (pos == text.size()) items.emplace_back();  // "a," ends with an empty item
      SkipBlanks(text, &pos);
    }
  }
  return items;
}

std::vector<std::string> ExpandNumberList(std::string_view list) {
  std::vector<std::string> numbers;
  for (const std::string& item : SplitCommaText(list)) {
    if (numbers.size() >= kMaxNumberListItems) break;
    const std::size_t dash = item.find('-');
    if (dash == std::string::npos) {
      numbers.push_back(item);
      continue;
    }
    int first, last;
    if (!ParseWholeNumber(std::string_view(item).substr(0, dash), &first) ||
        !ParseWholeNumber(std::string_view(item).substr(dash + 1), &last) || last < first) {
      continue;
    }
    // long long: last may be INT_MAX.
    for (long long n = first; n <= last && numbers.size() < kMaxNumberListItems; ++n) numbers.push_back(Itoa(n));
  }
  return numbers;
}

}  // namespace kiroq
