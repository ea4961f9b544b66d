#include "cgi/form_input.h"

#include <algorithm>
#include <cstdint>

#include "cgi/mobile_body.h"
#include "platform/env.h"
#include "text/ascii.h"

namespace kiroq {

namespace {

constexpr std::size_t kReadBlock = 64 * 1024;
constexpr std::size_t kBoundaryDashes = 29;

// A refused body is read and dropped for at most this long.
constexpr int64_t kDiscardSeconds = 5;

// CONTENT_LENGTH as a byte count (blanks around it allowed); -1 when it is
// missing or not a number. Values stop growing at a bound far past any body
// a web server passes on, so they cannot overflow.
long long ParseContentLength(std::string_view text) {
  constexpr long long kBound = 1LL << 50;
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty()) return -1;
  long long n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    if (n <= kBound) n = n * 10 + (c - '0');
  }
  return n;
}

std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

}  // namespace

void FormInput::Read(Env* env, bool mobile) {
  *this = FormInput();
  mobile_ = mobile;
  long long length = ParseContentLength(env->GetVar("CONTENT_LENGTH"));
  if (length < 0) length = 0;
  if (static_cast<unsigned long long>(length) > kCapacity) {
    too_large_ = true;  // refused whole
    DiscardStdin(env, static_cast<unsigned long long>(length));
    return;
  }
  if (mobile_) {
    ReadStdinBlocks(env, static_cast<std::size_t>(length));
    DecodeMobileBody(&data_);
    mobile_text_ = data_;
    std::replace(mobile_text_.begin(), mobile_text_.end(), kDecodedAmpersand, '&');
    return;
  }
  if (length <= 2) return;  // too short to hold a form
  ReadStdinBlocks(env, static_cast<std::size_t>(length));
  BuildFieldTable(env->GetVar("CONTENT_TYPE"));
}

void FormInput::DiscardStdin(Env* env, unsigned long long length) {
  char block[kReadBlock];
  const int64_t deadline = env->UnixTime() + kDiscardSeconds;
  while (length > 0) {
    const int64_t left = deadline - env->UnixTime();
    if (left <= 0) break;
    const std::size_t want = length < sizeof(block) ? static_cast<std::size_t>(length) : sizeof(block);
    const std::size_t n = env->ReadStdinWait(block, want, static_cast<int>(left * 1000));
    if (n == 0) break;
    length -= std::min<unsigned long long>(n, length);
  }
}

void FormInput::ReadStdinBlocks(Env* env, std::size_t length) {
  data_.resize(length);
  std::size_t got = 0;
  while (got < length) {
    std::size_t want = std::min(kReadBlock, length - got);
    std::size_t n = env->ReadStdin(&data_[got], want);
    if (n == 0) break;
    got += std::min(n, want);
  }
  data_.resize(got);
  raw_length_ = got;
}

void FormInput::BuildFieldTable(std::string_view content_type) {
  std::string boundary = BoundaryParameter(content_type);
  boundary_ = boundary.empty() ? DashBoundaryLine(data_) : "--" + boundary;
  if (boundary_.empty()) return;
  parts_ = SplitMultipart(data_, boundary_);
}

std::string FormInput::Field(std::string_view name) const {
  if (mobile_) {
    std::size_t length = 0;
    std::size_t start = FindMobileValue(data_, name, &length);
    if (start == std::string_view::npos) return std::string();
    return mobile_text_.substr(start, length);
  }
  for (const MultipartPart& part : parts_) {
    if (EqualsIgnoreCase(part.name.In(data_), name)) return WithoutLineBreaks(part.value.In(data_));
  }
  return std::string();
}

FormInput::Span FormInput::Locate(std::string_view name) const {
  Span span;
  auto set = [&span](std::size_t start, std::size_t length) {
    span = Span();
    if (length == 0) return;  // present but empty reads as absent
    span.start = start;
    span.last = static_cast<long long>(length) - 1;
  };
  if (mobile_) {
    std::size_t length = 0;
    std::size_t start = FindMobileValue(data_, name, &length);
    if (start != std::string_view::npos) set(start, length);
    return span;
  }
  for (const MultipartPart& part : parts_) {
    if (part.name.In(data_) != name) continue;  // a later part of the name replaces an earlier one
    // Empty lines before the text separate it from the part header; the line
    // break before the next delimiter ends the text's last line and stays.
    std::size_t start = part.value.pos;
    std::size_t end = part.value.pos + part.value.len;
    while (start < end && (data_[start] == '\r' || data_[start] == '\n')) ++start;
    if (start == end) {
      set(0, 0);
      continue;
    }
    if (end < data_.size() && data_[end] == '\r') ++end;
    if (end < data_.size() && data_[end] == '\n') ++end;
    set(start, end - start);
  }
  return span;
}

std::string_view FormInput::Bytes(Span span) const {
  std::string_view buffer = mobile_ ? std::string_view(mobile_text_) : std::string_view(data_);
  if (span.absent() || span.start >= buffer.size()) return std::string_view();
  return buffer.substr(span.start, span.size());
}

FormInput::Upload FormInput::FindUpload(std::string_view name) const {
  Upload upload;
  for (const MultipartPart& part : parts_) {
    if (!EqualsIgnoreCase(part.name.In(data_), name)) continue;
    upload.field_name = part.name.In(data_);
    if (part.has_file_name) upload.file_name = part.file_name.In(data_);
    if (part.has_content_type) upload.content_type = part.content_type.In(data_);
    if (!upload.content_type.empty()) {
      upload.data_start = part.value.pos;
      upload.data_last = static_cast<long long>(part.value.len) - 1;
    }
    std::size_t dashes = 0;
    while (dashes < kBoundaryDashes && dashes < boundary_.size() && boundary_[dashes] == '-') ++dashes;
    upload.boundary_tail = boundary_.substr(dashes);
    break;
  }
  return upload;
}

std::string_view FormInput::UploadBytes(const Upload& upload) const {
  if (upload.data_last < 0 || upload.data_start >= data_.size()) return std::string_view();
  return std::string_view(data_).substr(upload.data_start, static_cast<std::size_t>(upload.data_last) + 1);
}

}  // namespace kiroq
