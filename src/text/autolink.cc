// Turning web addresses in message text into links.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "text/ascii.h"
#include "text/convert.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

// word is upper-case ASCII; pos is at most text.size(). Looked at for every
// byte of a body, so the first byte decides most calls.
bool AtIgnoreCase(std::string_view text, std::size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = text[pos + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

// One past the address starting at pos: it runs to the first blank or
// double-byte character, or to the end of the text.
std::size_t AddressEnd(std::string_view text, std::size_t pos) {
  while (pos < text.size() && text[pos] != ' ' && !IsLeadByte(text[pos])) ++pos;
  return pos;
}

void AppendLink(std::string_view target_prefix, std::string_view address, std::string* out) {
  *out += "<A HREF=\"";
  *out += target_prefix;
  *out += address;
  *out += "\" TARGET=\"_blink\">";
  *out += address;
  *out += "</A>";
}

bool MayStartMarkOrAddress(char c) { return c == '<' || c == 'W' || c == 'w' || c == 'H' || c == 'h'; }

// True where the text at pos starts an address.
bool AddressStart(std::string_view text, std::size_t pos) {
  return AtIgnoreCase(text, pos, "WWW.") || AtIgnoreCase(text, pos, "HTTP");
}

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsVowel(char c) { return c == 'a' || c == 'i' || c == 'u' || c == 'e' || c == 'o'; }

// Whether the text may be cut before pos (a character boundary); address:
// an address starts in the run of single-byte, non-blank bytes before pos.
bool CutFits(std::string_view text, std::size_t pos, bool address, bool romaji, bool links) {
  const char before = text[pos - 1], at = text[pos];
  if (links) {
    if (address && at != ' ' && !IsLeadByte(at)) return false;
    if (before == '<' && (at == 'A' || at == 'a')) return false;
    for (std::size_t back = 1; back <= 3 && back <= pos; ++back) {
      if (AtIgnoreCase(text, pos - back, "</A>")) return false;
    }
  }
  return !(romaji && IsLower(before) && IsLower(at) && !IsVowel(before));
}

// Whether the byte at pos leaves an address run (a blank or a double-byte
// character's byte) or may start an address.
void NoteAddress(std::string_view text, std::size_t pos, bool* address) {
  const char c = text[pos];
  if (c == ' ' || IsLeadByte(c)) {
    *address = false;
  } else if ((c == 'W' || c == 'w' || c == 'H' || c == 'h') && AddressStart(text, pos)) {
    *address = true;
  }
}

}  // namespace

std::size_t LineCut(std::string_view text, std::size_t from, std::size_t min_piece, bool romaji, bool links) {
  // Escaping and allowed markup work byte by byte: any cut will do.
  if (!romaji && !links) return text.size() - from <= min_piece ? text.size() : from + min_piece;
  bool address = false;
  std::size_t pos = from;
  while (pos < text.size()) {
    if (pos - from >= min_piece && CutFits(text, pos, address, romaji, links)) return pos;
    if (IsLeadByte(text[pos])) {
      address = false;
      if (links && pos + 1 < text.size()) NoteAddress(text, pos + 1, &address);
      pos += 2;
    } else {
      if (links) NoteAddress(text, pos, &address);
      ++pos;
    }
  }
  return text.size();
}

std::string AutoLinkAddresses(std::string_view text) {
  bool inside_link = false;
  return AutoLinkAddresses(text, &inside_link);
}

std::string AutoLinkAddresses(std::string_view text, bool* inside_link_state) {
  std::string out;
  out.reserve(text.size() + 64);
  bool inside_link = *inside_link_state;  // between "<A" and "</A>": leave existing links alone
  std::size_t pos = 0;
  while (pos < text.size()) {
    // A run of characters none of which can start "<A", "</A>" or an
    // address is copied whole.
    std::size_t run = pos;
    while (run < text.size() && !MayStartMarkOrAddress(text[run])) run += IsLeadByte(text[run]) ? 2 : 1;
    if (run > pos) {
      run = std::min(run, text.size());
      out.append(text.substr(pos, run - pos));
      pos = run;
      continue;
    }
    if (AtIgnoreCase(text, pos, "<A")) inside_link = true;
    if (inside_link && AtIgnoreCase(text, pos, "</A>")) inside_link = false;
    if (!inside_link && AtIgnoreCase(text, pos, "WWW.")) {
      const std::size_t end = AddressEnd(text, pos);
      AppendLink("http://", text.substr(pos, end - pos), &out);
      pos = end;
    }
    if (!inside_link && AtIgnoreCase(text, pos, "HTTP")) {
      const std::size_t end = AddressEnd(text, pos);
      AppendLink("", text.substr(pos, end - pos), &out);
      pos = end;
    }
    if (pos >= text.size()) break;
    // Step over a double-byte character whole: an address never starts in
    // the middle of one.
    const std::size_t width = IsLeadByte(text[pos]) ? 2 : 1;
    out += text.substr(pos, width);
    pos += width;
  }
  *inside_link_state = inside_link;
  return out;
}

}  // namespace kiroq
