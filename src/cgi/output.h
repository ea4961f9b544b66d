// The one writer of standard output.
//
// A page is written as Html values (cgi/html.h), so visitor text reaches it
// only through an escaper. The CGI header lines are not HTML: only the
// header writers of cgi/headers.cc write them, and the bytes of a file being
// downloaded go out only after its download header. Output is buffered and
// handed to the Env in large blocks, but only while no file is open
// (File::OpenCount): a page never waits on its client holding a lock.
#ifndef KIROQ_CGI_OUTPUT_H_
#define KIROQ_CGI_OUTPUT_H_

#include <string>
#include <string_view>

#include "cgi/html.h"

namespace kiroq {

class Env;

class Output {
 public:
  explicit Output(Env* env) : env_(env) {}
  ~Output() { Flush(); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Write(const Html& markup) { Append(markup.bytes()); }
  // Markup followed by CR LF.
  void Line(const Html& markup);
  // Program literals, written without making an Html first.
  template <std::size_t N>
  void Write(const char (&literal)[N]) {
    Append(std::string_view(literal, N - 1));
  }
  template <std::size_t N>
  void Line(const char (&literal)[N]) {
    LineBytes(std::string_view(literal, N - 1));
  }
  void Write(const SjLiteral& literal) { Append(literal.view()); }
  void Line(const SjLiteral& literal) { LineBytes(literal.view()); }
  // A writable array is a buffer filled at run time, not program text.
  template <std::size_t N>
  void Write(char (&buffer)[N]) = delete;
  template <std::size_t N>
  void Line(char (&buffer)[N]) = delete;
  // CR LF alone.
  void Newline() { Append("\r\n"); }
  // Visitor text, escaped as EscapeText escapes it, straight into the
  // buffer.
  void WriteEscaped(std::string_view text);

  // Bytes of the file being downloaded. Throws std::logic_error unless a
  // download header came first, so that nothing else can pass unescaped.
  void FileBytes(std::string_view bytes);

  // Markup that every HTML page of this request carries in its head, after
  // the META line of the page header (cgi/headers.h): the board's feed link.
  void SetPageHeadLine(const Html& markup) { page_head_line_ = markup; }
  const Html& page_head_line() const { return page_head_line_; }

  // True once the empty line ending the CGI header block has been written.
  bool header_written() const { return header_written_; }

  // Pages get the phone layout in their head (WritePhoneHead, cgi/headers.h).
  void set_phone_layout(bool on) { phone_layout_ = on; }
  bool phone_layout() const { return phone_layout_; }

  void Flush();
  // Bytes written so far, flushed or not.
  std::size_t size() const { return written_ + buffer_.size(); }

 private:
  // The header writers (cgi/headers.cc).
  friend class HeaderWriter;
  void HeaderLine(std::string_view line);
  // The empty line after the header lines; download says the body that
  // follows is a file's bytes.
  void EndHeader(bool download);

  void Append(std::string_view bytes);
  void LineBytes(std::string_view bytes);

  Env* env_;
  std::string buffer_;
  std::size_t written_ = 0;
  bool header_written_ = false;
  bool download_ = false;
  bool phone_layout_ = false;
  Html page_head_line_;
};

}  // namespace kiroq

#endif  // KIROQ_CGI_OUTPUT_H_
