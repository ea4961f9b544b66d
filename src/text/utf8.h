// Shift-JIS (CP932) text decoded into UTF-8, for what leaves the board in
// another encoding: feeds and exports.
#ifndef KIROQ_TEXT_UTF8_H_
#define KIROQ_TEXT_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kiroq {

// Appends text, read as CP932, to out as UTF-8. ASCII passes unchanged;
// half-width katakana and double-byte characters become their Unicode
// characters (user-defined codes their private-use ones). A byte or pair
// with no character (0x80, 0xA0, 0xFD-0xFF, a lead byte whose trail byte is
// not one, an unassigned code, a lead byte at the end) becomes U+FFFD, and
// *replaced, when given, is raised by one for each. An unassigned pair is
// one replacement; an ASCII byte after a lead byte is read again on its own,
// so a stray lead byte never swallows the character after it.
void AppendCp932AsUtf8(std::string_view text, std::string& out, std::size_t* replaced = nullptr);

inline std::string Cp932ToUtf8(std::string_view text, std::size_t* replaced = nullptr) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  AppendCp932AsUtf8(text, out, replaced);
  return out;
}

// Appends the code point u as UTF-8.
void AppendUtf8(char32_t u, std::string& out);

}  // namespace kiroq

#endif  // KIROQ_TEXT_UTF8_H_
