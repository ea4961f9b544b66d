// The request-wide values: one Request per run, holding what the start-up
// read once, passed to every page. Where a page stands among the articles is
// the page's own value (html/page_context.h).
#ifndef KIROQ_HTML_REQUEST_H_
#define KIROQ_HTML_REQUEST_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/settings.h"
#include "cgi/client.h"
#include "cgi/form_input.h"
#include "cgi/headers.h"
#include "cgi/output.h"
#include "cgi/post_decoder.h"
#include "html/labels.h"
#include "platform/env.h"
#include "storage/board_files.h"
#include "storage/record.h"

namespace kiroq {

// Thrown to end the request after the page so far; caught where the request
// started. Use EndRequest() rather than throwing it directly.
struct RequestEnded {};
[[noreturn]] void EndRequest();

struct Request {
  Request(Env* e, Output* o) : env(e), out(o) {}

  Env* env;
  Output* out;

  std::string program_folder;      // ends in "/"
  std::vector<std::string> words;  // the query words, first = board name

  std::string board;
  int page_size = 10;
  int number = 0;
  int action = 0;  // 0..255

  Client client;  // read once at start-up
  Cookies cookies;
  SettingsFile* settings_file = nullptr;  // the board's settings file, for its list sections
  Settings settings;
  PageLabels labels;
  BoardFiles files;
  FormInput input;
  PostedForm post;

  std::string upload_dir;      // set when FILEUPLOAD is on
  std::string admin_password;  // "" when the board has none
  int64_t locked_until = 0;    // the end of the client's lock-out, once a password check found one

  // Query word i (1-based), "" when absent.
  const std::string& Word(std::size_t i) const;
  bool japanese() const { return settings.japanese; }
  bool mobile() const { return settings.mobile(); }
};

// The board's index opened in mode with the standard retries; an index
// that stays held ends the request with the index-busy notice.
std::unique_ptr<File> OpenIndexOrEnd(Request& req, OpenMode mode);

}  // namespace kiroq

#endif  // KIROQ_HTML_REQUEST_H_
