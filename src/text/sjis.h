// Shift-JIS (CP932) texts.
//
// Sources are UTF-8, pages are Shift-JIS. Every Japanese text the program
// writes is a string literal with the suffix _sj, converted to CP932 bytes
// while compiling:
//
//     out.Line("発言はありません。"_sj);
//
// A character that CP932 cannot encode fails the build. ASCII passes
// unchanged, so "_sj" is harmless on mixed texts.
#ifndef KIROQ_TEXT_SJIS_H_
#define KIROQ_TEXT_SJIS_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kiroq {

// True when b starts a double-byte Shift-JIS character (CP932 lead bytes).
constexpr bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool IsLeadByte(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

namespace sjis_internal {

struct Cp932Pair {
  char32_t code_point;
  uint16_t cp932;
};

inline constexpr Cp932Pair kTable[] = {
#include "text/cp932_table.inc"
};

// CP932 code of u, or 0 when it has none. constexpr, not consteval: clang 14
// refuses a consteval call with a local argument inside Convert.
constexpr uint16_t Lookup(char32_t u) {
  std::size_t lo = 0, hi = sizeof(kTable) / sizeof(kTable[0]);
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    if (kTable[mid].code_point < u) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo < sizeof(kTable) / sizeof(kTable[0]) && kTable[lo].code_point == u) return kTable[lo].cp932;
  return 0;
}

template <std::size_t N>
struct Utf8Literal {
  char bytes[N];
  consteval Utf8Literal(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
  }
};

template <std::size_t N>
struct Converted {
  char bytes[N]{};
  std::size_t size = 0;
};

void NoCp932Code();  // never defined: calling it in a constant expression fails the build

template <Utf8Literal L>
consteval auto Convert() {
  constexpr std::size_t kLen = sizeof(L.bytes) - 1;  // without the final NUL
  Converted<sizeof(L.bytes)> out;
  std::size_t i = 0;
  while (i < kLen) {
    unsigned char c = static_cast<unsigned char>(L.bytes[i]);
    if (c < 0x80) {
      out.bytes[out.size++] = static_cast<char>(c);
      ++i;
      continue;
    }
    char32_t u;
    int len;
    if (c >= 0xF0) {
      u = c & 0x07;
      len = 4;
    } else if (c >= 0xE0) {
      u = c & 0x0F;
      len = 3;
    } else {
      u = c & 0x1F;
      len = 2;
    }
    for (int k = 1; k < len; ++k) u = (u << 6) | (static_cast<unsigned char>(L.bytes[i + k]) & 0x3F);
    i += len;
    uint16_t code = Lookup(u);
    if (code == 0) NoCp932Code();
    if (code > 0xFF) out.bytes[out.size++] = static_cast<char>(code >> 8);
    out.bytes[out.size++] = static_cast<char>(code & 0xFF);
  }
  return out;
}

template <Utf8Literal L>
struct Holder;

}  // namespace sjis_internal

// Bytes written in the program's source: a "..."_sj literal, or a plain
// string literal (ASCII) where both meet, as in ja ? "題"_sj : "Title".
// Being only ever program text, it may become markup without escaping
// (cgi/html.h); everywhere else it is a std::string_view.
class SjLiteral {
 public:
  constexpr SjLiteral() = default;
  template <std::size_t N>
  constexpr SjLiteral(const char (&literal)[N]) : view_(literal, N - 1) {}
  // A writable array is a buffer filled at run time, not program text.
  template <std::size_t N>
  SjLiteral(char (&buffer)[N]) = delete;
  constexpr operator std::string_view() const { return view_; }
  constexpr std::string_view view() const { return view_; }
  constexpr std::size_t size() const { return view_.size(); }
  constexpr bool empty() const { return view_.empty(); }
  friend constexpr bool operator==(const SjLiteral& a, std::string_view b) { return a.view_ == b; }

 private:
  template <sjis_internal::Utf8Literal L>
  friend struct sjis_internal::Holder;
  constexpr SjLiteral(const char* bytes, std::size_t size) : view_(bytes, size) {}
  std::string_view view_;
};

namespace sjis_internal {

template <Utf8Literal L>
struct Holder {
  static constexpr auto value = Convert<L>();
  static constexpr SjLiteral literal{value.bytes, value.size};
};

}  // namespace sjis_internal

// "日本語"_sj: the literal's bytes in CP932.
//
// A reference to a static literal rather than one by value: clang 14 crashes
// printing a temporary made from such a literal in its constant-evaluation
// notes (as when a std::string is initialised from one).
template <sjis_internal::Utf8Literal L>
constexpr const SjLiteral& operator""_sj() {
  return sjis_internal::Holder<L>::literal;
}

}  // namespace kiroq

#endif  // KIROQ_TEXT_SJIS_H_
