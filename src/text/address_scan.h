// How the address linker reads a text, once for everyone who must read it
// the same way: the linker itself, the page writer that links a body line
// in pieces, and the count of addresses a post may hold.
#ifndef KIROQ_TEXT_ADDRESS_SCAN_H_
#define KIROQ_TEXT_ADDRESS_SCAN_H_

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "text/sjis.h"

namespace kiroq {
namespace address_scan {

// word is upper-case ASCII; pos is at most text.size(). Looked at for every
// byte of a body, so the first byte decides most calls.
inline bool At(std::string_view text, std::size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = text[pos + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

// One past the address starting at pos: it runs to the first blank or
// double-byte character, or to the end of the text. Pages link a body line
// by line, so a line break ends an address too.
inline std::size_t AddressEnd(std::string_view text, std::size_t pos) {
  while (pos < text.size() && text[pos] != ' ' && text[pos] != '\r' && text[pos] != '\n' && !IsLeadByte(text[pos])) {
    ++pos;
  }
  return pos;
}

}  // namespace address_scan

// Walks text as the linker reads it: calls found(start, end, www) for every
// address ("www." or "http" in any case, www: it starts "www."), and
// copy(piece) for the text between them, in runs. With skip_links, addresses
// inside an existing <A ...>...</A> element are left as text; *inside_link
// carries whether such an element is open from one piece of a line to the
// next.
template <typename Found, typename Copy>
void ScanAddresses(std::string_view text, bool skip_links, bool* inside_link, Found found, Copy copy) {
  using address_scan::At;
  auto may_start = [skip_links](char c) {
    return (skip_links && c == '<') || c == 'W' || c == 'w' || c == 'H' || c == 'h';
  };
  bool inside = *inside_link;
  std::size_t pos = 0;
  while (pos < text.size()) {
    // A run of characters none of which can start "<A", "</A>" or an
    // address is handed on whole.
    std::size_t run = pos;
    while (run < text.size() && !may_start(text[run])) run += IsLeadByte(text[run]) ? 2 : 1;
    if (run > pos) {
      run = std::min(run, text.size());
      copy(text.substr(pos, run - pos));
      pos = run;
      continue;
    }
    if (skip_links && At(text, pos, "<A")) inside = true;
    if (inside && At(text, pos, "</A>")) inside = false;
    if (!inside && At(text, pos, "WWW.")) {
      const std::size_t end = address_scan::AddressEnd(text, pos);
      found(pos, end, true);
      pos = end;
    }
    if (!inside && At(text, pos, "HTTP")) {
      const std::size_t end = address_scan::AddressEnd(text, pos);
      found(pos, end, false);
      pos = end;
    }
    if (pos >= text.size()) break;
    // Step over a double-byte character whole: an address never starts in
    // the middle of one.
    const std::size_t width = IsLeadByte(text[pos]) ? 2 : 1;
    copy(text.substr(pos, width));
    pos += width;
  }
  *inside_link = inside;
}

}  // namespace kiroq

#endif  // KIROQ_TEXT_ADDRESS_SCAN_H_
