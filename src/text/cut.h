// Cutting Shift-JIS text to a number of bytes without splitting a
// double-byte character.
#ifndef KIROQ_TEXT_CUT_H_
#define KIROQ_TEXT_CUT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kiroq {

// The longest prefix of s of at most n bytes. With sjis, a double-byte
// character that would be split is left out whole.
std::string_view CutToBytes(std::string_view s, std::size_t n, bool sjis);

}  // namespace kiroq

#endif  // KIROQ_TEXT_CUT_H_
