// A posted form, decoded into a fresh index record with every default.
#ifndef KIROQ_CGI_POST_DECODER_H_
#define KIROQ_CGI_POST_DECODER_H_

#include <string>

#include "cgi/form_input.h"
#include "storage/record.h"

namespace kiroq {

class Env;
struct Client;
struct Settings;

struct PostedForm {
  IndexRecord record;
  FormInput::Span content;  // the CONTENT field in the body; absent() when missing
  std::string password2;    // PASSWORD2 (read-only boards, action 98)
  std::string search_word;  // SEARCHWORD (action 10)
  bool remember = false;    // the COOKIE check box was "on"
};

// Fills a fresh record from the form: for the posting actions the post
// date (now) and the poster's host; the fields the board asks for (cut to
// their capacity without splitting a double-byte character on Japanese
// boards) and the defaults of those it does not ask for.
PostedForm DecodePostedForm(const FormInput& input, const Settings& settings, const Client& client, Env* env,
                            int action);

}  // namespace kiroq

#endif  // KIROQ_CGI_POST_DECODER_H_
