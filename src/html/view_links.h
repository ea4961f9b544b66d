// The links to the board's views (title list, tree, article list) that
// pages write after their view prompt.
#ifndef KIROQ_HTML_VIEW_LINKS_H_
#define KIROQ_HTML_VIEW_LINKS_H_

#include "board/views.h"
#include "cgi/html.h"
#include "text/sjis.h"

namespace kiroq {

struct Request;

// The link texts of the three views.
struct ViewLabels {
  SjLiteral title_list, tree, article_list;
};

// The board's labels (req.labels).
ViewLabels BoardViewLabels(const Request& req);
// The board's labels on Japanese boards; on English ones the full names
// ("Title list", "Tree view", "Article list view") that the article pages,
// forms and search results use.
ViewLabels FullViewLabels(const Request& req);

// "[link]" for each view the page links to (board/views.h); "" for none.
Html ViewLinks(const Request& req, ViewLinksOn page, const ViewLabels& labels);
// Each as "[link/戻]", the second link leading to the same view at article
// back.
Html ViewLinksWithBack(const Request& req, ViewLinksOn page, const ViewLabels& labels, long long back);

}  // namespace kiroq

#endif  // KIROQ_HTML_VIEW_LINKS_H_
