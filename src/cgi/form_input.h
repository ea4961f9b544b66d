// The request body and the form fields in it.
//
// Standard browsers post multipart/form-data; mobile telephones post
// URL-encoded bodies. The body is read once, in blocks, into one buffer of
// at most kCapacity bytes; fields are found in it by byte search and the
// message text (CONTENT) is located in place, keeping its line breaks.
#ifndef KIROQ_CGI_FORM_INPUT_H_
#define KIROQ_CGI_FORM_INPUT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cgi/multipart.h"

namespace kiroq {

class Env;

class FormInput {
 public:
  static constexpr std::size_t kCapacity = 5242880;  // 5 MB

  // A field's bytes inside the buffer: start and last offset (size - 1).
  // last == -1 means the field is absent.
  struct Span {
    std::size_t start = 0;
    long long last = -1;
    bool absent() const { return last < 0; }
    std::size_t size() const { return last < 0 ? 0 : static_cast<std::size_t>(last) + 1; }
  };

  // A file part of a multipart body.
  struct Upload {
    std::string field_name;
    std::string file_name;  // as sent, possibly with a client path
    std::string content_type;
    std::size_t data_start = 0;
    long long data_last = -1;   // -1: no data
    std::string boundary_tail;  // the delimiter without its leading dashes (29 at most)
  };

  // Reads the request body: CONTENT_LENGTH bytes of standard input, in
  // blocks; a missing or non-numeric CONTENT_LENGTH is an empty body. A body
  // over kCapacity is not kept (too_large()): it is read and dropped block by
  // block, up to CONTENT_LENGTH or for at most a few seconds (Env clock), so
  // that the web server, still sending it, takes the answer.
  //
  // mobile: the body is URL-decoded (see cgi/mobile_body.h). Otherwise it is
  // kept raw; a body of one or two bytes is not read. When it is multipart
  // its parts are listed: the delimiter is "--" + the boundary= parameter of
  // CONTENT_TYPE or, when CONTENT_TYPE names none, the first line of the
  // body that begins with 29 dashes. Parts not closed by a delimiter (a
  // truncated body) are dropped.
  void Read(Env* env, bool mobile);

  // True when the body was larger than kCapacity; nothing of it is used and
  // every field reads as absent.
  bool too_large() const { return too_large_; }
  bool mobile() const { return mobile_; }
  // Bytes of the body read (before decoding).
  std::size_t raw_length() const { return raw_length_; }
  // The buffer: the raw body, or the decoded one in mobile mode (with a
  // decoded "&" stored as byte 1).
  std::string_view data() const { return data_; }

  // A field's value, "" when absent.
  // Multipart: the first part whose name matches without regard to letter
  // case, with every CR and LF removed (one line).
  // Mobile: the first "NAME=" in the body, byte for byte, up to the next "&",
  // byte 1 turned back into "&". Such a value may hold CR and LF: callers
  // that put it into a header line must remove them.
  std::string Field(std::string_view name) const;

  // The field located in place, line breaks kept. Absent when missing, and
  // also when present but empty (the posting code refuses both alike).
  // Multipart: the last part whose name matches byte for byte; the value
  // runs from its first byte that is not CR or LF (empty lines before the
  // text count as header separation) through the line break before the next
  // delimiter, which ends the text's last line ("abc" CR LF for a one-line
  // "abc"; CRLFCUT is there to remove it). A value of line breaks alone is
  // absent.
  // Mobile: the value of the first "NAME=", as for Field, as sent.
  Span Locate(std::string_view name) const;
  // The bytes of a located field; in mobile mode with byte 1 turned back
  // into "&".
  std::string_view Bytes(Span span) const;

  // The file part: the first part whose name matches without regard to
  // letter case; empty when there is none. The data is located only when
  // the part has a non-empty "Content-Type: " line.
  Upload FindUpload(std::string_view name) const;
  std::string_view UploadBytes(const Upload& upload) const;

 private:
  void BuildFieldTable(std::string_view content_type);
  void ReadStdinBlocks(Env* env, std::size_t length);
  static void DiscardStdin(Env* env, unsigned long long length);

  std::string data_;
  std::string mobile_text_;  // mobile: data_ with byte 1 turned back into "&"
  std::string boundary_;     // the whole delimiter line, "" when none
  std::size_t raw_length_ = 0;
  bool too_large_ = false;
  bool mobile_ = false;
  std::vector<MultipartPart> parts_;  // the field table, in body order
};

}  // namespace kiroq

#endif  // KIROQ_CGI_FORM_INPUT_H_
