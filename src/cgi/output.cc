#include "cgi/output.h"

#include "platform/env.h"

namespace kiroq {

namespace {
constexpr std::size_t kFlushAt = 64 * 1024;

// Large output goes out in blocks, but not while a file is open: writing
// blocks when the client stops reading, and whatever lock the page holds
// would be held as long, refusing every post to the board.
bool TimeToFlush(const std::string& buffer) { return buffer.size() >= kFlushAt && File::OpenCount() == 0; }
}  // namespace

void AppendEscapedHtml(std::string_view text, std::string* out) {
  for (char c : text) {
    switch (c) {
      case '&':
        out->append("&amp;");
        break;
      case '<':
        out->append("&lt;");
        break;
      case '>':
        out->append("&gt;");
        break;
      case '"':
        out->append("&quot;");
        break;
      case '\'':
        out->append("&#39;");
        break;
      default:
        out->push_back(c);
    }
  }
}

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscapedHtml(text, &out);
  return out;
}

void Output::Raw(std::string_view markup) {
  buffer_.append(markup);
  if (TimeToFlush(buffer_)) Flush();
}

void Output::Line(std::string_view markup) {
  buffer_.append(markup);
  buffer_.append("\r\n");
  if (TimeToFlush(buffer_)) Flush();
}

void Output::Text(std::string_view text) {
  AppendEscapedHtml(text, &buffer_);
  if (TimeToFlush(buffer_)) Flush();
}

void Output::Flush() {
  if (buffer_.empty()) return;
  env_->WriteStdout(buffer_);
  written_ += buffer_.size();
  buffer_.clear();
}

}  // namespace kiroq
