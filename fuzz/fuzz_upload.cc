// The file part of a multipart body, and the name it would be stored under.
//
// Input: the CONTENT_TYPE value on the first line (an empty line leaves it
// unset), then the request body.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cgi/form_input.h"
#include "fuzz_support.h"
#include "storage/attachment_names.h"
#include "test_env.h"
#include "text/ascii.h"

namespace kiroq::fuzz {
namespace {

void CheckUpload(const FormInput& in, std::string_view name) {
  const FormInput::Upload up = in.FindUpload(name);
  const std::string_view bytes = in.UploadBytes(up);
  Check(up.field_name.empty() || EqualsIgnoreCase(up.field_name, name), "upload of another field");
  Check(up.data_last >= -1, "upload end before its start");
  if (up.content_type.empty()) Check(up.data_last == -1, "upload data located without a content type");
  if (up.data_last >= 0) {
    Check(up.data_start + static_cast<std::size_t>(up.data_last) + 1 <= in.data().size(), "upload runs past the body");
    Check(bytes.size() == static_cast<std::size_t>(up.data_last) + 1, "upload bytes cut short");
  }
  Check(Inside(bytes, in.data()), "upload bytes outside the body");
  Check(up.boundary_tail.find('\n') == std::string::npos, "boundary tail holds a line break");

  // Whatever the browser sent as its name, what may be stored stays one
  // plain name inside the article's folder.
  for (bool sjis : {false, true}) {
    const std::string stored = StripClientPath(up.file_name, sjis);
    if (!IsStorableName(stored, sjis)) continue;
    Check(!stored.empty() && stored.front() != '.', "storable name is empty or hidden");
    Check(stored.find('/') == std::string::npos, "storable name holds a slash");
    Check(stored.find('\0') == std::string::npos, "storable name holds a zero byte");
  }
}

}  // namespace
}  // namespace kiroq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kiroq;
  using namespace kiroq::fuzz;
  const Split input = SplitFirstLine(AsText(data, size));
  FakeEnv env;
  if (!input.first_line.empty()) env.vars["CONTENT_TYPE"] = std::string(input.first_line);
  env.vars["CONTENT_LENGTH"] = std::to_string(input.rest.size());
  env.SetStdin(std::string(input.rest));

  FormInput in;
  in.Read(&env, false);
  CheckUpload(in, "UPLOADFILE");
  CheckUpload(in, "uploadfile");
  for (const std::string& name : QuotedAfter(input.rest, "name=\"", 6)) CheckUpload(in, name);
  return 0;
}
