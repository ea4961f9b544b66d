// The article list page (action 11, also the page after a post sent from
// it): whole articles newest first, a page at a time, with the post form on
// top and links to the newer and older pages below.
#ifndef KIROQ_PAGES_ARTICLE_LIST_H_
#define KIROQ_PAGES_ARTICLE_LIST_H_

namespace kiroq {

struct Request;
struct PageContext;

// Writes the page body between the page head and the page tail, starting
// at the current article (a position outside the board starts at the
// newest article). Only the records the page needs are read from the index,
// which is closed before the log is opened; the bodies are read a batch at a
// time and each batch is written with the log closed. A busy index or log
// ends the request after its notice.
void ArticleListPage(Request& req, const PageContext& page);

}  // namespace kiroq

#endif  // KIROQ_PAGES_ARTICLE_LIST_H_
