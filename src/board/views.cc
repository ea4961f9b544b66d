#include "board/views.h"

namespace kiroq {

namespace {

ViewList Without(const ViewList& list, BoardView left_out) {
  ViewList kept;
  for (BoardView v : list) {
    if (v != left_out) kept.views[kept.count++] = v;
  }
  return kept;
}

}  // namespace

Action ViewAction(BoardView view) {
  switch (view) {
    case BoardView::kTitleList:
      return Action::kTitleList;
    case BoardView::kTree:
      return Action::kThreadIndex;
    case BoardView::kArticleList:
      break;
  }
  return Action::kArticleList;
}

ViewList OfferedViews(int view_select) {
  switch (view_select) {
    case 0:
      return {{BoardView::kTitleList, BoardView::kTree, BoardView::kArticleList}, 3};
    case 1:
      return {{BoardView::kTitleList}, 1};
    case 2:
      return {{BoardView::kTree}, 1};
    case 11:
      return {{BoardView::kArticleList}, 1};
    default:
      return {};
  }
}

ViewList LinkedViews(int view_select, ViewLinksOn page) {
  const ViewList offered = OfferedViews(view_select);
  switch (page) {
    case ViewLinksOn::kArticle:
      return offered;
    case ViewLinksOn::kForm:
      return Without(offered, BoardView::kArticleList);
    case ViewLinksOn::kTitleList:
      return offered.count > 1 ? Without(offered, BoardView::kTitleList) : ViewList();
    case ViewLinksOn::kTree:
      return offered.count > 1 ? Without(offered, BoardView::kTree) : offered;
    case ViewLinksOn::kArticleList:
      return offered.count > 1 ? Without(offered, BoardView::kArticleList) : offered;
  }
  return offered;
}

}  // namespace kiroq
