// The board's three ways of listing articles, and which of them a page
// links to. VIEWSELECT chooses the views a board offers; each page leaves
// out what it has no use for.
#ifndef KIROQ_BOARD_VIEWS_H_
#define KIROQ_BOARD_VIEWS_H_

#include "board/actions.h"

namespace kiroq {

enum class BoardView { kTitleList, kTree, kArticleList };

// The action that shows a view.
Action ViewAction(BoardView view);

// Views in the order pages link them.
struct ViewList {
  BoardView views[3] = {};
  int count = 0;

  const BoardView* begin() const { return views; }
  const BoardView* end() const { return views + count; }
  bool empty() const { return count == 0; }
};

// The views VIEWSELECT offers: 0 all three (title list, tree, article
// list), 1, 2 and 11 the title list, the tree or the article list alone,
// any other value none.
ViewList OfferedViews(int view_select);

// The page the view links are written on.
enum class ViewLinksOn {
  kArticle,      // article pages, their menus and templates: every view offered
  kForm,         // post forms and search results: never the article list
  kTitleList,    // the other two, and only when all three are offered
  kTree,         // the others when several are offered, else the one offered
  kArticleList,  // likewise
};

// The views page links to on a board with this VIEWSELECT, in order.
ViewList LinkedViews(int view_select, ViewLinksOn page);

}  // namespace kiroq

#endif  // KIROQ_BOARD_VIEWS_H_
