// Turning web addresses in message text into links.
#include <cstddef>
#include <string>
#include <string_view>

#include "text/address_scan.h"
#include "text/ascii.h"
#include "text/convert.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

using address_scan::At;

void AppendLink(std::string_view target_prefix, std::string_view address, std::string* out) {
  *out += "<A HREF=\"";
  *out += target_prefix;
  *out += address;
  *out += "\" TARGET=\"_blink\">";
  *out += address;
  *out += "</A>";
}

// True where the text at pos starts an address.
bool AddressStart(std::string_view text, std::size_t pos) { return At(text, pos, "WWW.") || At(text, pos, "HTTP"); }

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
      if (At(text, pos - back, "</A>")) return false;
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

std::string AutoLinkAddresses(std::string_view text, bool* inside_link) {
  std::string out;
  out.reserve(text.size() + 64);
  ScanAddresses(
      text, true, inside_link,
      [&](std::size_t start, std::size_t end, bool www) {
        AppendLink(www ? "http://" : "", text.substr(start, end - start), &out);
      },
      [&](std::string_view piece) { out += piece; });
  return out;
}

namespace {

bool IsCountedAddress(std::string_view address) {
  return StartsWithIgnoreCase(address, "www.") || StartsWithIgnoreCase(address, "http://") ||
         StartsWithIgnoreCase(address, "https://");
}

// HREF= and SRC= attributes whose value (after blanks and a quote) the
// address count does not already hold.
int OtherLinkAttributes(std::string_view text) {
  int count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    std::size_t value;
    if (At(text, pos, "HREF=")) {
      value = pos + 5;
    } else if (At(text, pos, "SRC=")) {
      value = pos + 4;
    } else {
      continue;
    }
    while (value < text.size() && (text[value] == ' ' || text[value] == '"' || text[value] == '\'')) ++value;
    if (!IsCountedAddress(text.substr(value))) ++count;
  }
  return count;
}

}  // namespace

int CountWebAddresses(std::string_view text, bool markup) {
  int count = markup ? OtherLinkAttributes(text) : 0;
  bool inside_link = false;
  // Every address counts, in links too: a post's own markup must not hide
  // its addresses from the count.
  ScanAddresses(
      text, false, &inside_link,
      [&](std::size_t start, std::size_t end, bool) {
        const std::string_view address = text.substr(start, end - start);
        // A bare word "http" is linked, but it is no address.
        if (IsCountedAddress(address)) ++count;
      },
      [](std::string_view) {});
  return count;
}

}  // namespace kiroq
