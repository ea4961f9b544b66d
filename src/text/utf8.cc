#include "text/utf8.h"

#include <cstdint>

#include "text/sjis.h"

namespace kiroq {
namespace {

constexpr char16_t kDoubleByte[60][189] = {
#include "text/cp932_decode.inc"
};

constexpr char32_t kReplacement = 0xFFFD;

// Row of the table for a lead byte; -1 when b leads no pair.
int LeadRow(unsigned char b) {
  if (b >= 0x81 && b <= 0x9F) return b - 0x81;
  if (b >= 0xE0 && b <= 0xFC) return b - 0xE0 + 0x1F;
  return -1;
}

}  // namespace

void AppendUtf8(char32_t u, std::string& out) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

void AppendCp932AsUtf8(std::string_view text, std::string& out, std::size_t* replaced) {
  auto bad = [&] {
    AppendUtf8(kReplacement, out);
    if (replaced != nullptr) ++*replaced;
  };
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
    } else if (b >= 0xA1 && b <= 0xDF) {
      AppendUtf8(0xFF61 + (b - 0xA1), out);  // half-width katakana
      ++i;
    } else if (int row = LeadRow(b); row >= 0 && i + 1 < text.size()) {
      unsigned char t = static_cast<unsigned char>(text[i + 1]);
      char16_t u = (t >= 0x40 && t <= 0xFC) ? kDoubleByte[row][t - 0x40] : char16_t{0};
      if (u != 0) {
        AppendUtf8(u, out);
        i += 2;
      } else {
        bad();
        i += t < 0x80 ? 1 : 2;
      }
    } else {
      bad();
      ++i;
    }
  }
}

}  // namespace kiroq
