// The poster's deletion page (action 15): a form asking for the deletion
// password of article req.number, posted to action 14, which flips the
// article's deleted mark when the password matches.
#ifndef KIROQ_PAGES_DELETE_PAGE_H_
#define KIROQ_PAGES_DELETE_PAGE_H_

namespace kiroq {

struct Request;

// Writes the whole response, CGI header included. Japanese on every board;
// a plain layout on mobile pages, a table otherwise. The number is not
// checked against the article count here (action 14 does that), and the
// password field is never pre-filled.
void DeletePage(Request& req);

}  // namespace kiroq

#endif  // KIROQ_PAGES_DELETE_PAGE_H_
