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

}  // namespace

std::string AutoLinkAddresses(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 64);
  bool inside_link = false;  // between "<A" and "</A>": leave existing links alone
  std::size_t pos = 0;
  while (pos < text.size()) {
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
  return out;
}

}  // namespace kiroq
