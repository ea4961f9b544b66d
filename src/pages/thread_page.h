// The thread page (action 12): an article and every reply below it.
#ifndef KIROQ_PAGES_THREAD_PAGE_H_
#define KIROQ_PAGES_THREAD_PAGE_H_

namespace kiroq {

struct Request;
struct PageContext;

// The body of the framed page for the current article (the newest when the
// query's number is 0): the navigation bar when the board
// has no .mes template, then that article and its replies, depth first,
// each as an article block. An index that stays busy ends the request with
// the index-busy notice; a number outside the board shows no article.
void ThreadPage(Request& req, const PageContext& page);

}  // namespace kiroq

#endif  // KIROQ_PAGES_THREAD_PAGE_H_
