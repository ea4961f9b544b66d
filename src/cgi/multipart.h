// multipart/form-data bodies, read by byte search in place: no copies of
// the body, only offsets into it.
//
// A part is the text between two delimiter lines. A delimiter counts only
// at the start of a line (body start or after LF) and when followed by a
// line break, blanks or "--", so boundary-like text inside content does not
// cut it. The line break before a delimiter belongs to the delimiter, not
// to the part. Text after the last delimiter (a closing "--" epilogue, or a
// part cut short by a truncated body) is no part.
#ifndef KIROQ_CGI_MULTIPART_H_
#define KIROQ_CGI_MULTIPART_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kiroq {

// A stretch of the body.
struct BodySlice {
  std::size_t pos = 0;
  std::size_t len = 0;
  std::string_view In(std::string_view body) const { return body.substr(pos, len); }
};

// A part that carries a header line beginning exactly with
// `Content-Disposition: form-data; name="` (letter case counts).
struct MultipartPart {
  BodySlice name;
  bool has_file_name = false;
  BodySlice file_name;  // between the quotes after filename=, as sent
  bool has_content_type = false;
  BodySlice content_type;  // the rest of the "Content-Type: " line
  // The value: from after the blank line that ends the part header up to,
  // not including, the line break before the next delimiter. May be empty.
  BodySlice value;
};

// The boundary= parameter of a Content-Type value (parameter name in any
// letter case, value quoted or not); "" when there is none.
std::string BoundaryParameter(std::string_view content_type);

// The first line of the body that begins with 29 "-", up to, not including,
// its line break; "" when there is none. Used when the request names no
// boundary.
std::string DashBoundaryLine(std::string_view body);

// Offset of the first delimiter line at or after from, or npos.
std::size_t FindDelimiter(std::string_view body, std::string_view delimiter, std::size_t from);

// The named parts between delimiters, in body order. delimiter is the whole
// text of a delimiter line ("--" + boundary). Parts without the
// Content-Disposition line, or whose header has no blank line to end it,
// are left out.
std::vector<MultipartPart> SplitMultipart(std::string_view body, std::string_view delimiter);

}  // namespace kiroq

#endif  // KIROQ_CGI_MULTIPART_H_
