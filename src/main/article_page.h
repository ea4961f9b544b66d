// The single-article pages: one article (actions 3 and 5, the newest for
// number 0) and the newest article after a post (action 9).
#ifndef KIROQ_MAIN_ARTICLE_PAGE_H_
#define KIROQ_MAIN_ARTICLE_PAGE_H_

namespace kiroq {

struct Request;

// Actions 3 and 5: the navigation bar (boards without a .mes template) and
// article number (the newest when it is 0).
void ArticlePage(Request& req);
// Action 9: the same for the newest article.
void NewestArticlePage(Request& req);

// The navigation bar and the article at req.position, as the pages above
// and the deletion toggle show it.
void ShowCurrentArticle(Request& req);

}  // namespace kiroq

#endif  // KIROQ_MAIN_ARTICLE_PAGE_H_
