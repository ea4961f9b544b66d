// Search (action 10): every visible article whose body contains the posted
// keyword, newest first, one table row per article.
#ifndef KIROQ_PAGES_SEARCH_H_
#define KIROQ_PAGES_SEARCH_H_

namespace kiroq {

struct Request;
struct PageContext;

// Writes the result page body for req.post.search_word. The index and the
// log are opened for shared reading without waiting (a file held by a writer
// ends the request at once with a busy notice) and held until the last row,
// so the search sees one state of the board; they are read front to back,
// a block at a time.
void SearchPage(Request& req, const PageContext& page);

}  // namespace kiroq

#endif  // KIROQ_PAGES_SEARCH_H_
