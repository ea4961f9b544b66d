// An article as every page shows it: through the board's .mes template when
// it has one, otherwise as the program's own block. Used by the
// single-article, thread, article-list and administrator pages.
#ifndef KIROQ_HTML_ARTICLE_VIEW_H_
#define KIROQ_HTML_ARTICLE_VIEW_H_

#include "html/page_context.h"

namespace kiroq {

struct Request;
struct IndexRecord;
class File;

// Writes article number (1-based) from rec on a page standing at page. The
// body is read from log when it is given, otherwise from the board's log
// opened here (read-shared, with the standard retries); a log that stays
// busy ends the request with a notice.
void ShowArticle(Request& req, const PageContext& page, const IndexRecord& rec, int number, File* log = nullptr);

// ShowArticle for the readers' pages: an article too old to show among
// page.count articles (VIEWLIMIT, board/visibility.h) gets the notice
// "このログは表示できません。" in its place. True when the article was shown.
bool ShowArticleOrNotice(Request& req, const PageContext& page, const IndexRecord& rec, int number,
                         File* log = nullptr);

}  // namespace kiroq

#endif  // KIROQ_HTML_ARTICLE_VIEW_H_
