// An article as every page shows it: through the board's .mes template when
// it has one, otherwise as the program's own block. Used by the
// single-article, thread, article-list and administrator pages.
#ifndef KIROQ_HTML_ARTICLE_VIEW_H_
#define KIROQ_HTML_ARTICLE_VIEW_H_

#include <string>
#include <vector>

#include "html/article_block.h"
#include "html/page_context.h"
#include "storage/record.h"

namespace kiroq {

struct Request;
struct IndexRecord;
class File;

// Writes article number (1-based) from rec on a page standing at page, its
// body from body (see BodySource: bytes read beforehand, an open log, or
// the board's log opened for it alone).
void ShowArticle(Request& req, const PageContext& page, const IndexRecord& rec, int number,
                 const BodySource& body = {});

// An article of a page that shows several: its record position and record.
struct ShownArticle {
  int position;
  IndexRecord rec;
};

// Pages that show many bodies read them a batch at a time: the log is
// opened for a batch, closed, and only then is the batch written, so that
// the page's memory holds one batch and a client that stops reading never
// holds the log. The log is append-only and a record's body never moves, so
// the bodies read in several opens are the ones a single open would read.
constexpr std::size_t kBodyBatchBytes = 1 << 20;

// Reads from log the bodies of articles[from..], as many as fit in
// kBodyBatchBytes (always at least one article), into *bodies (one entry an
// article; empty for an article without a body); returns the end of the
// batch.
std::size_t ReadBodyBatch(File* log, const std::vector<ShownArticle>& articles, std::size_t from,
                          std::vector<std::string>* bodies);

// ShowArticle for the readers' pages: an article too old to show among
// page.count articles (VIEWLIMIT, board/visibility.h) gets the notice
// "このログは表示できません。" in its place. True when the article was shown.
bool ShowArticleOrNotice(Request& req, const PageContext& page, const IndexRecord& rec, int number,
                         const BodySource& body = {});

}  // namespace kiroq

#endif  // KIROQ_HTML_ARTICLE_VIEW_H_
