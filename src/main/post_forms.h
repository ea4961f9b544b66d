// The pages that start a post: the new-post form (action 0) and the reply
// form (action 4).
#ifndef KIROQ_MAIN_POST_FORMS_H_
#define KIROQ_MAIN_POST_FORMS_H_

#include <string>
#include <string_view>

namespace kiroq {

struct Request;

void NewPostFormPage(Request& req);
void ReplyFormPage(Request& req);

// The title a reply form proposes for a parent titled title: "Re:01 " in
// front, or the count after "Re:" one higher ("Re:09 x" gives "Re:10 x").
// japanese: cut without splitting a double-byte character.
std::string ReplyTitle(std::string_view title, bool japanese);

// The parent's body quoted for the reply text area: prefix before the first
// line and after every line break (CR LF, or a lone CR).
std::string QuoteBody(std::string_view body, std::string_view prefix);

}  // namespace kiroq

#endif  // KIROQ_MAIN_POST_FORMS_H_
