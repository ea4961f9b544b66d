// The single-article pages: one article (actions 3 and 5, the newest for
// number 0), the newest article after a post (action 9), and the poster's
// deletion toggles that show the article after the change (8 and 14).
#ifndef KIROQ_PAGES_ARTICLE_PAGE_H_
#define KIROQ_PAGES_ARTICLE_PAGE_H_

namespace kiroq {

struct Request;
struct PageContext;

// Actions 3 and 5: the navigation bar (boards without a .mes template) and
// the current article (the newest when the query's number is 0).
void ArticlePage(Request& req, const PageContext& page);
// Action 9: the same for the newest article.
void NewestArticlePage(Request& req, const PageContext& page);

// Action 8: flips the deleted mark of the current article when the PWD
// cookie is its deletion password (silently nothing otherwise), then shows
// it as action 3 does (the page comes with action 3).
void ToggleWithCookiePage(Request& req, const PageContext& page);
// Action 14: the same with the posted DELPASSWORD; a wrong password gets a
// line saying so.
void ToggleWithPasswordPage(Request& req, const PageContext& page);

}  // namespace kiroq

#endif  // KIROQ_PAGES_ARTICLE_PAGE_H_
