// What happens to a posted form between the decoding and the page: the
// checks every remaining request passes, storing a post, and the cookies
// that remember the poster.
#ifndef KIROQ_PAGES_POSTING_H_
#define KIROQ_PAGES_POSTING_H_

namespace kiroq {

struct Request;

// Runs the checks on the decoded form in their order (missing text, the
// screening of a post, the control password of read-only boards, the member
// check) and stores actions 6 and 9. Ends the request on a refusal; true
// when a post was stored.
bool CheckAndStorePost(Request& req);

// The Set-Cookie lines that remember the poster, written after a stored
// post (before the page header block): temporary ones on COOKIEDELETE
// boards, persistent ones when the poster ticked the COOKIE box.
void WritePostCookies(Request& req);

}  // namespace kiroq

#endif  // KIROQ_PAGES_POSTING_H_
