// The pages that start a post: the new-post form (action 0) and the reply
// form (action 4).
#ifndef KIROQ_PAGES_POST_FORMS_H_
#define KIROQ_PAGES_POST_FORMS_H_

#include <string>
#include <string_view>

namespace kiroq {

struct Request;

void NewPostFormPage(Request& req);
void ReplyFormPage(Request& req);

}  // namespace kiroq

#endif  // KIROQ_PAGES_POST_FORMS_H_
