#include "board/reply_title.h"

#include <cstdio>

#include "text/ascii.h"
#include "text/cut.h"

namespace kiroq {

namespace {

constexpr std::size_t kReplyTitleLimit = 86;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "Re:" + (count + 1) + " " + what follows the count and its blank.
std::string NextCount(std::string_view title, int count) {
  char digits[16];
  std::snprintf(digits, sizeof(digits), "%02d", count + 1);
  std::size_t rest = (title.size() > 5 && title[5] == ' ') ? 6 : 5;
  return "Re:" + std::string(digits) + " " + std::string(rest < title.size() ? title.substr(rest) : "");
}

}  // namespace

std::string ReplyTitle(std::string_view title, bool japanese) {
  int n = 0;
  if (StartsWith(title, "Re:") && title.size() >= 5 && ParseWholeNumber(title.substr(3, 2), &n)) {
    return NextCount(title, n);
  }
  return std::string(CutToBytes("Re:01 " + std::string(title), kReplyTitleLimit, japanese));
}

std::string TemplateReplyTitle(std::string_view title) {
  if (!StartsWith(title, "Re:")) return "Re:01 " + std::string(title);
  std::string_view digits = title.substr(3, 2);
  if (digits.empty() || !IsDigit(digits[0]) || (digits.size() > 1 && !IsDigit(digits[1]))) {
    return "Re:01 " + std::string(title);
  }
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return NextCount(title, n);
}

std::string QuoteBody(std::string_view body, std::string_view prefix) {
  std::string out(prefix);
  for (std::size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (c == '\r') {
      out += "\r\n";
      out.append(prefix);
      if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
      continue;
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace kiroq
