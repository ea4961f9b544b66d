// The cookie header and the look-up of one cookie in it.
//
// Input: the HTTP_COOKIE value.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cgi/headers.h"
#include "fuzz_support.h"

namespace kiroq::fuzz {
namespace {

constexpr std::string_view kKeys[] = {"NAME=",  "EMAIL=",   "URL=",   "PWD=",    "AGE=",        "SEX=", "ADDRESS1=",
                                      "MEMID=", "MEMPASS=", "TREET=", "TREET2=", "BROWSCOUNT=", "",     "="};

// The value as the contract words it: after the first occurrence of key
// that starts the text or follows ";" and blanks, up to the next "; ".
bool Expected(std::string_view text, std::string_view key, std::string* value) {
  if (key.empty()) return false;
  for (std::size_t p = text.find(key); p != std::string_view::npos; p = text.find(key, p + 1)) {
    std::size_t before = p;
    while (before > 0 && text[before - 1] == ' ') --before;
    if (before != 0 && text[before - 1] != ';') continue;
    std::size_t start = p + key.size();
    std::size_t end = text.find("; ", start);
    *value = std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    return true;
  }
  return false;
}

void CheckKey(const Cookies& c, std::string_view key) {
  std::string want;
  const bool present = Expected(c.text(), key, &want);
  const std::string value = c.Value(key);
  Check(c.Has(key) == present, "cookie presence differs");
  Check(value == want, "cookie value differs");
  Check(value.find("; ") == std::string::npos, "cookie value runs into the next cookie");
}

}  // namespace
}  // namespace kiroq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kiroq;
  using namespace kiroq::fuzz;
  const std::string_view header = AsText(data, size);
  const Cookies c(header);
  Check(c.text() == header.substr(0, Cookies::kMaxBytes), "cookie text not kept up to its limit");
  for (std::string_view key : kKeys) CheckKey(c, key);
  for (const std::string& key : CookieKeys(header, 12)) CheckKey(c, key);
  return 0;
}
