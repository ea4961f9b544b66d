// One article as a block: a small table of its header fields, its body and
// its attachment line, and the pieces of it that templates show too.
#ifndef KIROQ_HTML_ARTICLE_BLOCK_H_
#define KIROQ_HTML_ARTICLE_BLOCK_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cgi/html.h"
#include "html/page_context.h"

namespace kiroq {

struct Request;
struct IndexRecord;
class File;

// Writes article number (1-based) from rec as the program's own block; its
// thread and romaji links lead to page.current(), which on a thread page is
// the thread's top for every block. The body is read from log when it is
// given, otherwise from the board's log opened here (read-shared, with the
// standard retries); a log that stays busy ends the request with a notice.
void WriteArticleBlock(Request& req, const PageContext& page, const IndexRecord& rec, int number,
                       File* log = nullptr);

// The board's log opened as an article's body is read (read-shared,
// standard retries), for pages that show several articles from one open; a
// log that stays busy ends the request with the same notice.
std::unique_ptr<File> OpenLogForArticles(Request& req);

// The body as the page shows it: lines split at CR LF, CR or LF, each
// escaped (unless the board allows markup) and, with URLLINKCONVERT, with
// its addresses linked. romaji: converted to hiragana first.
std::vector<Html> BodyLines(const Request& req, std::string_view body, bool romaji);

// The body quoted for a reply's text area: prefix before the first line and
// after every line break (CR LF, or a lone CR). The lines are escaped so
// that they cannot close the text area; the browser shows them as posted.
Html QuotedBody(std::string_view body, const Html& prefix);

// The picture of rec as an IMG SRC value; empty when the board shows no
// pictures, the article is deleted or its address is no picture address
// (cgi/html.h IsPictureAddress): then the picture is left out.
Html ArticlePicture(const Request& req, const IndexRecord& rec);

// The attachment's file and counter, when the board keeps attachments.
std::string AttachmentPath(const Request& req, int number, const std::string& name);
std::string CounterPath(const Request& req, int number);
// The counter file's first line as a number: 0 when the file is empty, 1
// when the line is not a number; false when there is no counter file.
bool ReadDownloadCounter(Request& req, int number, long long* count);
// True when name can be an attachment's file name inside its folder.
bool IsSafeAttachmentName(std::string_view name);

}  // namespace kiroq

#endif  // KIROQ_HTML_ARTICLE_BLOCK_H_
