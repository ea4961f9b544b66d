// The larger pieces a message template can ask for: the reply title, the
// deletion, attachment and relations items, the view line and the menus.
// "Current article" is page.current() throughout.
#ifndef KIROQ_HTML_TEMPLATE_ITEMS_H_
#define KIROQ_HTML_TEMPLATE_ITEMS_H_

#include "cgi/html.h"
#include "html/page_context.h"

namespace kiroq {

struct Request;
struct IndexRecord;

// "削除" / "Delete" (or the deleted label), linked to the poster's deletion
// page when the article has a deletion password, else followed by "<BR>".
Html DeletionItem(const Request& req, const PageContext& page, const IndexRecord& rec);

// Download counter, download and change links, or the attach link; a
// notice for a deleted article. "" for a name that cannot be a file name.
Html AttachmentItem(Request& req, const PageContext& page, const IndexRecord& rec);

// Parent and child links, and the thread link of a thread top; "" for an
// article that has neither parent nor children.
Html RelationsItem(const Request& req, const PageContext& page, const IndexRecord& rec);

// The view prompt and the view links VIEWSELECT offers, ending "<BR>"; ""
// for a VIEWSELECT that offers none.
Html TemplateViewLine(const Request& req);

// These write to req.out; the caller writes out its pending text first.

// The view line, in the all view the latest/from-top links, and the
// personal settings link (USECOOKIE and USECOOKIESETTING).
void WriteMenuItem(Request& req, const PageContext& page, bool all_view);
// The single-article menu: view line, stepper, post links, personal
// settings link, deletion item.
void WriteArticleMenu(Request& req, const PageContext& page, const IndexRecord& rec);
// The thread-view variant of the article menu.
void WriteThreadMenu(Request& req, const PageContext& page, const IndexRecord& rec);

}  // namespace kiroq

#endif  // KIROQ_HTML_TEMPLATE_ITEMS_H_
