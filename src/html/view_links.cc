#include "html/view_links.h"

#include "html/links.h"
#include "html/request.h"

namespace kiroq {

namespace {

SjLiteral LabelOf(const ViewLabels& labels, BoardView view) {
  switch (view) {
    case BoardView::kTitleList:
      return labels.title_list;
    case BoardView::kTree:
      return labels.tree;
    case BoardView::kArticleList:
      break;
  }
  return labels.article_list;
}

}  // namespace

ViewLabels BoardViewLabels(const Request& req) {
  return {req.labels.title_list, req.labels.tree, req.labels.article_list};
}

ViewLabels FullViewLabels(const Request& req) {
  if (req.japanese()) return BoardViewLabels(req);
  return {"Title list", "Tree view", "Article list view"};
}

Html ViewLinks(const Request& req, ViewLinksOn page, const ViewLabels& labels) {
  Html links;
  for (BoardView v : LinkedViews(req.settings.view_select, page)) {
    links += Bracketed(BoardLink(req, 0, ViewAction(v), LabelOf(labels, v)));
  }
  return links;
}

Html ViewLinksWithBack(const Request& req, ViewLinksOn page, const ViewLabels& labels, long long back) {
  Html links;
  for (BoardView v : LinkedViews(req.settings.view_select, page)) {
    links += Bracketed(BoardLink(req, 0, ViewAction(v), LabelOf(labels, v)) + "/" +
                       BoardLink(req, back, ViewAction(v), "戻"_sj));
  }
  return links;
}

}  // namespace kiroq
