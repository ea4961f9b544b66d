#include "cgi/output.h"

#include <stdexcept>

#include "platform/env.h"

namespace kiroq {

namespace {
constexpr std::size_t kFlushAt = 64 * 1024;

// Large output goes out in blocks, but not while a file is open: writing
// blocks when the client stops reading, and whatever lock the page holds
// would be held as long, refusing every post to the board.
bool TimeToFlush(const std::string& buffer) { return buffer.size() >= kFlushAt && File::OpenCount() == 0; }
}  // namespace

void Output::Append(std::string_view bytes) {
  if (bytes.size() >= kFlushAt && File::OpenCount() == 0) {
    // Large enough to go out as it is, without a copy in the buffer.
    Flush();
    env_->WriteStdout(bytes);
    written_ += bytes.size();
    return;
  }
  if (buffer_.capacity() < kFlushAt) buffer_.reserve(kFlushAt + kFlushAt / 16);
  buffer_.append(bytes);
  if (TimeToFlush(buffer_)) Flush();
}

void Output::Line(const Html& markup) { LineBytes(markup.bytes()); }

void Output::LineBytes(std::string_view bytes) {
  // Bodies are written a line at a time: the line end goes straight in.
  buffer_.append(bytes);
  buffer_.append("\r\n", 2);
  if (TimeToFlush(buffer_)) Flush();
}

void Output::WriteEscaped(std::string_view text) {
  AppendEscapedText(text, &buffer_);
  if (TimeToFlush(buffer_)) Flush();
}

void Output::FileBytes(std::string_view bytes) {
  if (!download_) throw std::logic_error("file bytes without a download header");
  Append(bytes);
}

void Output::HeaderLine(std::string_view line) {
  buffer_.append(line);
  Append("\r\n");
}

void Output::EndHeader(bool download) {
  Append("\r\n");
  header_written_ = true;
  download_ = download;
}

void Output::Flush() {
  if (buffer_.empty()) return;
  env_->WriteStdout(buffer_);
  written_ += buffer_.size();
  buffer_.clear();
}

}  // namespace kiroq
