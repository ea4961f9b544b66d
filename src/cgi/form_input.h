// The request body and the form fields in it.
//
// Standard browsers post multipart/form-data; mobile telephones post
// URL-encoded bodies. The body is read once into one buffer of at most
// kCapacity bytes; fields are found in it by byte search and the message
// text (CONTENT) is located in place, keeping its line breaks.
#ifndef KIROQ_CGI_FORM_INPUT_H_
#define KIROQ_CGI_FORM_INPUT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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
    std::string file_name;     // as sent, possibly with a client path
    std::string content_type;
    std::size_t data_start = 0;
    long long data_last = -1;  // -1: no data
    std::string boundary_tail;
  };

  // Reads the request body: CONTENT_LENGTH bytes of standard input, in
  // blocks. mobile: the body is URL-decoded as it is read. Otherwise it is
  // kept raw and, when it is multipart, its field table is built (the
  // boundary comes from the boundary= parameter of CONTENT_TYPE, or else
  // from the first line that begins with 29 dashes).
  void Read(Env* env, bool mobile);

  // True when the body was larger than kCapacity; nothing of it is used.
  bool too_large() const { return too_large_; }
  bool mobile() const { return mobile_; }
  // Bytes of the body read (before decoding).
  std::size_t raw_length() const { return raw_length_; }
  // The buffer: the raw body, or the decoded one in mobile mode.
  std::string_view data() const { return data_; }

  // A field's value, "" when absent. Names ignore letter case in the
  // multipart field table (values there are one line: CR and LF removed);
  // mobile fields are found by "NAME=" byte for byte.
  std::string Field(std::string_view name) const;

  // The field located in place, line breaks kept. Absent when missing.
  Span Locate(std::string_view name) const;
  std::string_view Bytes(Span span) const;

  // The file part of the multipart field name; empty when there is none.
  Upload FindUpload(std::string_view name) const;
  std::string_view UploadBytes(const Upload& upload) const;

 private:
  void BuildFieldTable();

  std::string data_;
  std::string boundary_;  // the whole boundary line, "" when none
  std::size_t raw_length_ = 0;
  bool too_large_ = false;
  bool mobile_ = false;
  std::vector<std::string> names_;
  std::vector<std::string> values_;
};

}  // namespace kiroq

#endif  // KIROQ_CGI_FORM_INPUT_H_
