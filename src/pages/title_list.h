// The title list page (action 1): one table row per article, from a starting
// article towards older ones, page size rows at most, with links to the
// newer and older pages above and below the table.
#ifndef KIROQ_PAGES_TITLE_LIST_H_
#define KIROQ_PAGES_TITLE_LIST_H_

namespace kiroq {

struct Request;

// Writes the whole response, CGI header included. The page starts at
// article req.number; 0, a negative number and a number beyond the article
// count all start at the newest article. A busy index ends the request
// after the notice saying so.
void TitleListPage(Request& req);

}  // namespace kiroq

#endif  // KIROQ_PAGES_TITLE_LIST_H_
