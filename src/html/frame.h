// The frame of the board's reading and posting pages: page header (the
// board's .HED file or a built-in one), page tail (search form, manager
// link, footer), and the navigation bar of single-article pages.
#ifndef KIROQ_HTML_FRAME_H_
#define KIROQ_HTML_FRAME_H_

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "cgi/html.h"

namespace kiroq {

struct Request;
struct IndexRecord;
class File;

// Copies an administrator's text file to the page line by line (each line
// ended by CR LF). False, writing nothing, when the file does not exist.
bool PrintFile(Request& req, const std::string& path);

// The feed's title: FEEDTITLE, or the board's name without one (Shift-JIS
// on Japanese boards, as the settings file holds it).
std::string FeedTitle(const Request& req);
// The element that names the board's feed in every page's head (USEFEED):
// <LINK REL="alternate" TYPE="application/atom+xml" TITLE="..." HREF="...">,
// the address relative like every board link.
Html FeedHeadLink(const Request& req);

// The CGI header block and the page's head: the board's .HED file, or a
// built-in one.
void WritePageHead(Request& req);
void WritePageFooter(Request& req);  // the .FOT file or the built-in end
void WriteSearchForm(Request& req);
void WriteManagerLink(Request& req);
// Search form (USESEARCHLOG), manager link (BBSMAN), footer.
void WritePageTail(Request& req);

// The view menu, move menu, article stepper, post menu and delete item for
// article number n of a board of count articles; shown is that article's
// record (for the delete item), or null when there is none.
void WriteArticleNavBar(Request& req, int n, int count, const IndexRecord* shown);

// Opens the board's index for a page, shared with other readers and keeping
// writers out (standard retries), creating it when it is missing. A busy
// index writes the index-busy notice and ends the request, as does one that
// cannot be created.
std::unique_ptr<File> OpenIndexForPage(Request& req);

// The error page of the entry: "<HTML><BODY>", "<H1>heading</H1>", the
// message lines, "</BODY></HTML>" (written after the CGI header block).
void WriteErrorPage(Request& req, const Html& heading, std::initializer_list<Html> lines);

}  // namespace kiroq

#endif  // KIROQ_HTML_FRAME_H_
