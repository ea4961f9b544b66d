// Turning web addresses in message text into links.
#include <cstddef>
#include <string>
#include <string_view>

#include "text/ascii.h"
#include "text/convert.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

bool AtIgnoreCase(std::string_view text, std::size_t pos, std::string_view word) {
  return StartsWithIgnoreCase(text.substr(pos), word);
}

// One past the address starting at pos: it runs to the first blank or
// double-byte character, or to the end of the text. Pages link a body line
// by line, so a line break ends an address too.
std::size_t AddressEnd(std::string_view text, std::size_t pos) {
  while (pos < text.size() && text[pos] != ' ' && text[pos] != '\r' && text[pos] != '\n' && !IsLeadByte(text[pos])) {
    ++pos;
  }
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

// Walks text as the linker reads it: calls found(start, end, www) for every
// address (www: it starts "www."), and copy(pos, width) for every other
// piece of text. With skip_links, addresses inside an existing
// <A ...>...</A> element are left as text.
template <typename Found, typename Copy>
void ScanAddresses(std::string_view text, bool skip_links, Found found, Copy copy) {
  bool inside_link = false;  // between "<A" and "</A>": leave existing links alone
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (skip_links && AtIgnoreCase(text, pos, "<A")) inside_link = true;
    if (inside_link && AtIgnoreCase(text, pos, "</A>")) inside_link = false;
    if (!inside_link && AtIgnoreCase(text, pos, "WWW.")) {
      const std::size_t end = AddressEnd(text, pos);
      found(pos, end, true);
      pos = end;
    }
    if (!inside_link && AtIgnoreCase(text, pos, "HTTP")) {
      const std::size_t end = AddressEnd(text, pos);
      found(pos, end, false);
      pos = end;
    }
    if (pos >= text.size()) break;
    // Step over a double-byte character whole: an address never starts in
    // the middle of one.
    const std::size_t width = IsLeadByte(text[pos]) ? 2 : 1;
    copy(pos, width);
    pos += width;
  }
}

}  // namespace

std::string AutoLinkAddresses(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 64);
  ScanAddresses(
      text, true,
      [&](std::size_t start, std::size_t end, bool www) {
        AppendLink(www ? "http://" : "", text.substr(start, end - start), &out);
      },
      [&](std::size_t pos, std::size_t width) { out += text.substr(pos, width); });
  return out;
}

int CountWebAddresses(std::string_view text) {
  int count = 0;
  // Every address counts, in links too: a post's own markup must not hide
  // its addresses from the count.
  ScanAddresses(
      text, false,
      [&](std::size_t start, std::size_t end, bool www) {
        const std::string_view address = text.substr(start, end - start);
        // A bare word "http" is linked, but it is no address.
        if (www || StartsWithIgnoreCase(address, "http://") || StartsWithIgnoreCase(address, "https://")) ++count;
      },
      [](std::size_t, std::size_t) {});
  return count;
}

}  // namespace kiroq
