// The multipart reader and the field look-ups on it.
//
// Input: the CONTENT_TYPE value on the first line (an empty line leaves the
// variable unset, so the delimiter comes from the body's dashed line), then
// the request body.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "board/settings.h"
#include "cgi/client.h"
#include "cgi/form_input.h"
#include "cgi/multipart.h"
#include "cgi/post_decoder.h"
#include "fuzz_support.h"
#include "storage/record.h"
#include "test_env.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq::fuzz {
namespace {

constexpr std::string_view kNames[] = {
    "NAME",     "EMAIL",  "TITLE",      "CONTENT", "PASSWORD", "PASSWORD2", "URL", "AGE",        "SEX",     "ADDRESS1",
    "IMAGEURL", "COOKIE", "SEARCHWORD", "MEMID",   "DONE",     "LOOKPOS",   "TT",  "UPLOADFILE", "content", ""};

// True when cut is s cut at a character boundary: walking s as Shift-JIS
// from its start reaches cut's end exactly.
bool CutAtCharacter(std::string_view s, std::string_view cut) {
  std::size_t i = 0;
  while (i < cut.size()) i += IsLeadByte(s[i]) && i + 1 < s.size() ? 2 : 1;
  return i == cut.size();
}

void CheckCut(const FormInput& in, std::string_view name, const std::string& stored, std::size_t cap, bool sjis) {
  const std::string full = in.Field(name);
  Check(stored.size() <= cap, "stored field over its capacity");
  Check(std::string_view(full).substr(0, stored.size()) == stored, "stored field is not a prefix of the form value");
  if (stored.size() < full.size()) {
    Check(stored.size() + (sjis ? 1 : 0) >= cap, "field cut shorter than needed");
    if (sjis) Check(CutAtCharacter(full, stored), "field cut inside a double-byte character");
  }
}

void CheckLookups(const FormInput& in, std::string_view delimiter, std::string_view name) {
  const std::string value = in.Field(name);
  Check(!HasLineBreak(value), "multipart field keeps a line break");
  Check(in.Field(ToUpperAscii(name)) == value, "field look-up depends on letter case");

  const FormInput::Span span = in.Locate(name);
  const std::string_view bytes = in.Bytes(span);
  if (span.absent()) {
    Check(bytes.empty(), "absent span has bytes");
    return;
  }
  Check(span.start + span.size() <= in.data().size(), "located span runs past the body");
  Check(bytes.size() == span.size() && bytes.data() == in.data().data() + span.start, "span bytes mismatch");
  Check(!delimiter.empty(), "field located without a delimiter");
  Check(FindDelimiter(bytes, delimiter, 0) == std::string_view::npos, "located value holds a delimiter line");
}

}  // namespace
}  // namespace kiroq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kiroq;
  using namespace kiroq::fuzz;
  const Split input = SplitFirstLine(AsText(data, size));
  const std::string_view body = input.rest;

  FakeEnv env;
  if (!input.first_line.empty()) env.vars["CONTENT_TYPE"] = std::string(input.first_line);
  env.vars["CONTENT_LENGTH"] = std::to_string(body.size());
  env.vars["REMOTE_ADDR"] = "192.0.2.1";
  env.SetStdin(std::string(body));

  FormInput in;
  in.Read(&env, false);
  Check(!in.too_large() && !in.mobile(), "small body refused");
  Check(in.data() == (body.size() > 2 ? body : std::string_view()), "body not kept as sent");

  const std::string boundary = BoundaryParameter(input.first_line);
  const std::string delimiter = boundary.empty() ? DashBoundaryLine(body) : "--" + boundary;
  for (std::string_view name : kNames) CheckLookups(in, delimiter, name);
  for (const std::string& name : QuotedAfter(body, "name=\"", 8)) CheckLookups(in, delimiter, name);

  // The same body decoded into a fresh record, on both kinds of board.
  for (bool japanese : {false, true}) {
    Settings s;
    s.japanese = japanese;
    s.use_mail = s.use_url = s.use_sex = s.use_address = s.use_image_url = true;
    s.use_age = "1";
    const PostedForm p = DecodePostedForm(in, s, ReadClient(&env), &env, 98);
    namespace L = record_layout;
    CheckCut(in, "NAME", p.record.name, L::kNameCap, japanese);
    CheckCut(in, "TITLE", p.record.title, L::kTitleCap, japanese);
    CheckCut(in, "EMAIL", p.record.email, L::kEmailCap, japanese);
    CheckCut(in, "PASSWORD", p.record.password, L::kPasswordCap, japanese);
    CheckCut(in, "URL", p.record.url, L::kUrlCap, japanese);
    CheckCut(in, "AGE", p.record.age, L::kAgeCap, japanese);
    CheckCut(in, "SEX", p.record.sex, L::kSexCap, japanese);
    CheckCut(in, "ADDRESS1", p.record.address, L::kAddressCap, japanese);
    CheckCut(in, "IMAGEURL", p.record.image_url, L::kImageUrlCap, japanese);
    Check(p.content.last == in.Locate("CONTENT").last, "decoded form lost the message");
    // The record survives its own file format.
    IndexRecord back;
    DecodeRecord(EncodeRecord(p.record), &back);
    Check(back.name == p.record.name && back.title == p.record.title && back.url == p.record.url,
          "record fields change through the index format");
  }
  return 0;
}
