// Which views VIEWSELECT offers and which of them each page links.
#include "board/views.h"

#include <gtest/gtest.h>

#include <string>

namespace kiroq {
namespace {

// "T" title list, "R" tree, "A" article list, in link order.
std::string Letters(const ViewList& list) {
  std::string s;
  for (BoardView v : list) s += v == BoardView::kTitleList ? 'T' : v == BoardView::kTree ? 'R' : 'A';
  return s;
}

TEST(Views, EachPageLinksPerViewSelect) {
  struct Row {
    int view_select;
    const char *article, *form, *title_list, *tree, *article_list;
  };
  const Row rows[] = {
      {0, "TRA", "TR", "RA", "TA", "TR"}, {1, "T", "T", "", "T", "T"}, {2, "R", "R", "", "R", "R"},
      {11, "A", "", "", "A", "A"},        {3, "", "", "", "", ""},     {5, "", "", "", "", ""},
      {-1, "", "", "", "", ""},           {99, "", "", "", "", ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Letters(OfferedViews(r.view_select)), r.article) << r.view_select;
    EXPECT_EQ(Letters(LinkedViews(r.view_select, ViewLinksOn::kArticle)), r.article) << r.view_select;
    EXPECT_EQ(Letters(LinkedViews(r.view_select, ViewLinksOn::kForm)), r.form) << r.view_select;
    EXPECT_EQ(Letters(LinkedViews(r.view_select, ViewLinksOn::kTitleList)), r.title_list) << r.view_select;
    EXPECT_EQ(Letters(LinkedViews(r.view_select, ViewLinksOn::kTree)), r.tree) << r.view_select;
    EXPECT_EQ(Letters(LinkedViews(r.view_select, ViewLinksOn::kArticleList)), r.article_list) << r.view_select;
  }
  EXPECT_EQ(ViewAction(BoardView::kTitleList), Action::kTitleList);
  EXPECT_EQ(ViewAction(BoardView::kTree), Action::kThreadIndex);
  EXPECT_EQ(ViewAction(BoardView::kArticleList), Action::kArticleList);
}

}  // namespace
}  // namespace kiroq
