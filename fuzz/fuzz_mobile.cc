// URL-encoded bodies as mobile telephones post them, and the field look-ups
// on the decoded text.
//
// Input: the request body.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cgi/form_input.h"
#include "cgi/mobile_body.h"
#include "fuzz_support.h"
#include "test_env.h"

namespace kiroq::fuzz {
namespace {

constexpr std::string_view kNames[] = {"NAME",      "EMAIL", "TITLE", "CONTENT", "PASSWORD", "URL",         "IMAGEURL",
                                       "PASSWORD2", "AGE",   "SEX",   "COOKIE",  "MEMID",    "DELPASSWORD", ""};

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The decoding the reader must agree with, written plainly.
std::string Decoded(std::string_view raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size() && raw[i] != '\0'; ++i) {
    if (raw[i] == '+') {
      out += ' ';
    } else if (raw[i] == '%' && i + 2 < raw.size() && Hex(raw[i + 1]) >= 0 && Hex(raw[i + 2]) >= 0) {
      char c = static_cast<char>(Hex(raw[i + 1]) * 16 + Hex(raw[i + 2]));
      out += c == '&' ? kDecodedAmpersand : c;
      i += 2;
    } else {
      out += raw[i];
    }
  }
  return out;
}

void CheckField(const FormInput& in, std::string_view name) {
  const std::string value = in.Field(name);
  const FormInput::Span span = in.Locate(name);
  Check(value == in.Bytes(span), "field and located bytes differ");
  Check(value.find(kDecodedAmpersand) == std::string::npos, "decoded ampersand left in a value");
  if (span.absent()) return;
  const std::string_view text = in.data();
  Check(span.start + span.size() <= text.size(), "located span runs past the body");
  Check(!name.empty() && span.start >= name.size() + 1, "value without its key");
  const std::size_t key = span.start - name.size() - 1;
  Check(text.substr(key, name.size()) == name && text[key + name.size()] == '=', "value not after its key");
  Check(key == 0 || text[key - 1] == '&', "key found inside another key");
  Check(text.substr(span.start, span.size()).find('&') == std::string_view::npos, "value runs over an &");
  const std::size_t end = span.start + span.size();
  Check(end == text.size() || text[end] == '&', "value stops before the next field");
}

}  // namespace
}  // namespace kiroq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kiroq;
  using namespace kiroq::fuzz;
  const std::string_view body = AsText(data, size);
  FakeEnv env;
  env.vars["CONTENT_LENGTH"] = std::to_string(body.size());
  env.SetStdin(std::string(body));

  FormInput in;
  in.Read(&env, true);
  Check(in.mobile() && in.raw_length() == body.size(), "mobile body not read whole");
  Check(in.data() == Decoded(body), "mobile body decoded wrongly");

  for (std::string_view name : kNames) CheckField(in, name);
  // The names the body itself uses.
  const std::string_view text = in.data();
  std::size_t start = 0;
  for (int n = 0; n < 8 && start <= text.size(); ++n) {
    std::size_t amp = text.find('&', start);
    std::string_view pair = text.substr(start, amp == std::string_view::npos ? std::string_view::npos : amp - start);
    std::size_t eq = pair.find('=');
    if (eq != std::string_view::npos) CheckField(in, pair.substr(0, eq));
    if (amp == std::string_view::npos) break;
    start = amp + 1;
  }
  return 0;
}
