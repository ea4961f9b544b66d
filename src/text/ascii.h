// Byte-string helpers that only touch ASCII letters, so Shift-JIS text passes
// through them unharmed.
#ifndef KIROQ_TEXT_ASCII_H_
#define KIROQ_TEXT_ASCII_H_

#include <string>
#include <string_view>
#include <vector>

namespace kiroq {

std::string ToUpperAscii(std::string_view s);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix);
bool StartsWith(std::string_view s, std::string_view prefix);

// Splits text into lines; CR LF, a lone CR and a lone LF each end a line. A
// final line break does not start another (empty) line.
std::vector<std::string> SplitLines(std::string_view text);

// Whole decimal number with optional leading blanks and sign; false when
// the text is anything else (or does not fit an int).
bool ParseWholeNumber(std::string_view text, int* value);

// Decimal text of n.
std::string Itoa(long long n);

// The whole text as a decimal number (leading blanks and a sign allowed), or
// dflt when it is anything else.
int ToIntDef(std::string_view text, int dflt);

// Percent-encodes every byte of s but letters, digits, "-._~" and the bytes
// in keep ("%XX", upper-case hex).
std::string PercentEncode(std::string_view s, std::string_view keep);

}  // namespace kiroq

#endif  // KIROQ_TEXT_ASCII_H_
