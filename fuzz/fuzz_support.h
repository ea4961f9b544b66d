// Helpers the fuzz targets share: splitting an input into its pieces and
// checking the properties every target asserts.
#ifndef KIROQ_FUZZ_FUZZ_SUPPORT_H_
#define KIROQ_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kiroq::fuzz {

// Stops the run (a crash libFuzzer keeps) when ok is false.
void Check(bool ok, const char* what);

// The input as text.
inline std::string_view AsText(const uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Splits off the first line (its LF and a CR before it are dropped); the
// whole input is the first line when there is no LF.
struct Split {
  std::string_view first_line;
  std::string_view rest;
};
Split SplitFirstLine(std::string_view text);

// The texts between marker and the next quote, in order, at most max of
// them: the field names a body itself uses (marker `name="`).
std::vector<std::string> QuotedAfter(std::string_view text, std::string_view marker, std::size_t max);

// Cookie names the header itself uses ("A=" of "A=1; B=2"), at most max.
std::vector<std::string> CookieKeys(std::string_view header, std::size_t max);

// True when s is within buffer (a view of its bytes, or empty).
bool Inside(std::string_view s, std::string_view buffer);

bool HasLineBreak(std::string_view s);

}  // namespace kiroq::fuzz

#endif  // KIROQ_FUZZ_FUZZ_SUPPORT_H_
