#include "cgi/multipart.h"

#include "text/ascii.h"

namespace kiroq {

namespace {

constexpr std::size_t kNpos = std::string_view::npos;
constexpr std::size_t kBoundaryDashes = 29;
constexpr std::string_view kDisposition = "Content-Disposition: form-data; name=\"";
constexpr std::string_view kContentType = "Content-Type: ";
constexpr std::string_view kFileName = "filename=\"";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// What may follow a delimiter: a line break, blanks (transport padding),
// "--" (the closing delimiter) or the end of the body.
bool DelimiterEndsAt(std::string_view body, std::size_t at) {
  if (at >= body.size()) return true;
  char c = body[at];
  if (c == '\r' || c == '\n' || IsBlank(c)) return true;
  return c == '-' && at + 1 < body.size() && body[at + 1] == '-';
}

// Offset of filename=" in a Content-Disposition line, searched from from;
// it must start a parameter (after ";" or a blank).
std::size_t FindFileNameParameter(std::string_view line, std::size_t from) {
  for (std::size_t at = line.find(kFileName, from); at != kNpos; at = line.find(kFileName, at + 1)) {
    if (at > 0 && (line[at - 1] == ';' || IsBlank(line[at - 1]))) return at;
  }
  return kNpos;
}

// Reads the header lines of the part body[begin, end) into part. False when
// the header carries no usable Content-Disposition name or never ends.
bool ParsePart(std::string_view body, std::size_t begin, std::size_t end, MultipartPart* part) {
  bool named = false;
  std::size_t at = begin;
  while (true) {
    std::size_t nl = body.find('\n', at);
    if (nl == kNpos || nl >= end) return false;
    std::string_view line = body.substr(at, nl - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
      part->value = {nl + 1, end - (nl + 1)};
      return named;
    }
    if (!named && StartsWith(line, kDisposition)) {
      std::size_t name_from = kDisposition.size();
      std::size_t quote = line.find('"', name_from);
      if (quote != kNpos) {
        named = true;
        part->name = {at + name_from, quote - name_from};
        std::size_t file = FindFileNameParameter(line, quote + 1);
        if (file != kNpos) {
          std::size_t from = file + kFileName.size();
          std::size_t close = line.find('"', from);
          if (close != kNpos) {
            part->has_file_name = true;
            part->file_name = {at + from, close - from};
          }
        }
      }
    } else if (!part->has_content_type && StartsWith(line, kContentType)) {
      part->has_content_type = true;
      part->content_type = {at + kContentType.size(), line.size() - kContentType.size()};
    }
    at = nl + 1;
  }
}

}  // namespace

std::string BoundaryParameter(std::string_view content_type) {
  const std::string_view ct = content_type;
  std::size_t i = ct.find(';');
  while (i != kNpos && i < ct.size()) {
    ++i;  // past ";"
    std::size_t name_start = i;
    while (i < ct.size() && ct[i] != '=' && ct[i] != ';') ++i;
    std::string_view name = TrimBlanks(ct.substr(name_start, i - name_start));
    if (i >= ct.size() || ct[i] == ';') continue;
    ++i;  // past "="
    while (i < ct.size() && IsBlank(ct[i])) ++i;
    std::string value;
    if (i < ct.size() && ct[i] == '"') {
      for (++i; i < ct.size() && ct[i] != '"'; ++i) {
        if (ct[i] == '\\' && i + 1 < ct.size()) ++i;
        value.push_back(ct[i]);
      }
      if (i >= ct.size()) return std::string();  // unterminated quote
      ++i;
    } else {
      std::size_t value_start = i;
      while (i < ct.size() && ct[i] != ';' && !IsBlank(ct[i])) ++i;
      value = ct.substr(value_start, i - value_start);
    }
    if (EqualsIgnoreCase(name, "boundary") && !value.empty()) return value;
    i = ct.find(';', i);
  }
  return std::string();
}

std::string DashBoundaryLine(std::string_view body) {
  const std::string dashes(kBoundaryDashes, '-');
  std::size_t at = body.find(dashes);
  while (at != kNpos) {
    if (at == 0 || body[at - 1] == '\n') {
      std::size_t end = body.find_first_of("\r\n", at);
      if (end == kNpos) end = body.size();
      return std::string(body.substr(at, end - at));
    }
    at = body.find('\n', at);
    if (at != kNpos) at = body.find(dashes, at);
  }
  return std::string();
}

std::size_t FindDelimiter(std::string_view body, std::string_view delimiter, std::size_t from) {
  if (delimiter.empty()) return kNpos;
  for (std::size_t at = body.find(delimiter, from); at != kNpos; at = body.find(delimiter, at + 1)) {
    bool line_start = at == 0 || body[at - 1] == '\n';
    if (line_start && DelimiterEndsAt(body, at + delimiter.size())) return at;
  }
  return kNpos;
}

std::vector<MultipartPart> SplitMultipart(std::string_view body, std::string_view delimiter) {
  std::vector<MultipartPart> parts;
  std::size_t at = FindDelimiter(body, delimiter, 0);
  while (at != kNpos) {
    std::size_t after = at + delimiter.size();
    if (body.substr(after, 2) == "--") break;  // the closing delimiter
    std::size_t nl = body.find('\n', after);
    if (nl == kNpos) break;
    std::size_t begin = nl + 1;
    std::size_t next = FindDelimiter(body, delimiter, begin);
    if (next == kNpos) break;  // cut short: no closing delimiter
    std::size_t end = next;
    if (end > begin && body[end - 1] == '\n') {
      --end;
      if (end > begin && body[end - 1] == '\r') --end;
    }
    MultipartPart part;
    if (ParsePart(body, begin, end, &part)) parts.push_back(part);
    at = next;
  }
  return parts;
}

}  // namespace kiroq
