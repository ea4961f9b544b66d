// The pages that start a post: the new-post form (action 0) and the reply
// form (action 4).
#ifndef KIROQ_PAGES_POST_FORMS_H_
#define KIROQ_PAGES_POST_FORMS_H_

#include <string>
#include <string_view>

namespace kiroq {

struct Request;
struct PageContext;

// The board's .post template when it has one, else the built-in form.
void NewPostFormPage(Request& req, const PageContext& page);
// The form answering article req.number, quoting it: the board's .repost
// template or the built-in form; nothing for an article that is not there.
void ReplyFormPage(Request& req, const PageContext& page);

}  // namespace kiroq

#endif  // KIROQ_PAGES_POST_FORMS_H_
