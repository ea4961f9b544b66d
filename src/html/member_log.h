// The failed-login log of members-only boards, as pages keep it.
#ifndef KIROQ_HTML_MEMBER_LOG_H_
#define KIROQ_HTML_MEMBER_LOG_H_

#include <string_view>

namespace kiroq {

struct Request;

// Appends the attempt to the log named by LOGINDAT (nothing when it is
// empty). When the log cannot be written, a notice goes to the page.
void LogFailedLogin(Request& req, std::string_view id);

}  // namespace kiroq

#endif  // KIROQ_HTML_MEMBER_LOG_H_
