// The one writer of standard output.
//
// Every byte of a response goes through an Output: trusted markup with Raw
// and Line, text that came from a visitor (form values, cookies, stored
// records, the query) with Text, which escapes it. Output is buffered and
// handed to the Env in large blocks, but only while no file is open
// (File::OpenCount): a page never waits on its client holding a lock.
#ifndef KIROQ_CGI_OUTPUT_H_
#define KIROQ_CGI_OUTPUT_H_

#include <string>
#include <string_view>

namespace kiroq {

class Env;

// HTML-escapes the five bytes & < > " '. None of them can be the second byte
// of a Shift-JIS character, so the text is escaped byte by byte.
std::string EscapeHtml(std::string_view text);
void AppendEscapedHtml(std::string_view text, std::string* out);

class Output {
 public:
  explicit Output(Env* env) : env_(env) {}
  ~Output() { Flush(); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Markup the program wrote itself (or an administrator's file).
  void Raw(std::string_view markup);
  // Markup followed by CR LF.
  void Line(std::string_view markup);
  // CR LF alone.
  void Newline() { Raw("\r\n"); }
  // Visitor text, HTML-escaped.
  void Text(std::string_view text);

  void Flush();
  // Bytes written so far, flushed or not.
  std::size_t size() const { return written_ + buffer_.size(); }

 private:
  Env* env_;
  std::string buffer_;
  std::size_t written_ = 0;
};

}  // namespace kiroq

#endif  // KIROQ_CGI_OUTPUT_H_
