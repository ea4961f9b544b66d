// A board's settings file, read into the board settings.
//
// Input: the settings file.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "board/settings.h"
#include "fuzz_support.h"
#include "text/ascii.h"

namespace kiroq::fuzz {
namespace {

// A whole decimal number after blanks and one sign that fits an int, or 0.
int ExpectedNumber(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  std::string digits;
  if (!v.empty() && (v.front() == '+' || v.front() == '-')) {
    if (v.front() == '-') digits = "-";
    v.remove_prefix(1);
  }
  if (v.empty() || v.find_first_not_of("0123456789") != std::string_view::npos) return 0;
  digits.append(v);
  int n = 0;
  auto [end, err] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  return err == std::errc() && end == digits.data() + digits.size() ? n : 0;
}

void CheckSizes(const Settings& s) {
  for (const std::string* v : {&s.name_size, &s.email_size, &s.url_size, &s.title_size, &s.rows_size, &s.cols_size}) {
    Check(v->size() <= 20, "field size setting longer than 20 bytes");
  }
}

}  // namespace
}  // namespace kiroq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kiroq;
  using namespace kiroq::fuzz;
  const std::string_view text = AsText(data, size);
  const SettingsFile file(text);
  Check(file.lines() == SplitLines(text), "settings lines differ from the file's lines");

  // The first line of a key gives its value, whatever the letter case.
  std::map<std::string, std::string> first;
  for (const std::string& line : file.lines()) {
    Check(!HasLineBreak(line), "settings line holds a line break");
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    first.emplace(ToUpperAscii(line.substr(0, eq)), line.substr(eq + 1));
  }
  int checked = 0;
  for (const auto& [key, value] : first) {
    if (++checked > 16) break;
    Check(file.Has(key) && file.Text(key) == value, "settings value is not the key's first line");
    Check(file.Number(key) == ExpectedNumber(value), "settings number read wrongly");
    Check(file.Switch(key) == (ExpectedNumber(value) == 1), "settings switch read wrongly");
  }

  const Settings desk = ReadSettings(file, "Mozilla/5.0 (X11; Linux x86_64)");
  const Settings phone = ReadSettings(file, "DoCoMo/2.0 P903i(c100;TB;W24H12)");
  for (const Settings* s : {&desk, &phone}) {
    CheckSizes(*s);
    Check(s->subject_length > 0, "subject length not positive");
    Check(s->form_enctype.empty() == s->mobile(), "form encoding disagrees with mobile mode");
  }
  if (file.Number("IMODE") == 2) Check(!desk.mobile() && phone.mobile(), "IMODE 2 ignores the user agent");

  const auto hosts = file.Section("CANCELDOMAINLISTSTART", "CANCELDOMAINLISTEND");
  const auto words = file.Section("CHECKSTRINGSTART", "CHECKSTRINGEND");
  Check(hosts.size() < file.lines().size() + (file.lines().empty() ? 1 : 0), "section longer than the file");
  Check(words.size() < file.lines().size() + (file.lines().empty() ? 1 : 0), "section longer than the file");
  return 0;
}
