// One article as a block: a small table of its header fields, its body and
// its attachment line, and the pieces of it that templates show too.
#ifndef KIROQ_HTML_ARTICLE_BLOCK_H_
#define KIROQ_HTML_ARTICLE_BLOCK_H_

#include <functional>
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

// Where an article's body comes from: bytes the page read beforehand (a
// batch at a time, with the log closed again before they are written), a
// log the caller holds open, or neither: then the board's log is opened for
// this body alone (read-shared, with the standard retries) and closed before
// the body is written; a log that stays busy ends the request with a notice.
struct BodySource {
  BodySource(File* open_log = nullptr) : log(open_log) {}  // NOLINT: a log converts
  static BodySource Read(std::string_view bytes) {
    BodySource source;
    source.bytes = bytes;
    source.read = true;
    return source;
  }
  File* log = nullptr;
  std::string_view bytes;  // when read
  bool read = false;
};

// The body of rec from source; *storage keeps it when it had to be read.
std::string_view ArticleBodyBytes(Request& req, const IndexRecord& rec, const BodySource& source, std::string* storage);

// Writes article number (1-based) from rec as the program's own block; its
// thread and romaji links lead to page.current(), which on a thread page is
// the thread's top for every block. The body comes from body (see
// BodySource).
void WriteArticleBlock(Request& req, const PageContext& page, const IndexRecord& rec, int number,
                       const BodySource& body = {});

// The board's log opened as an article's body is read (read-shared,
// standard retries), for pages that show several articles from one open; a
// log that stays busy ends the request with the same notice.
std::unique_ptr<File> OpenLogForArticles(Request& req);

// The body as the page shows it: lines split at CR LF, CR or LF, each
// escaped (unless the board allows markup) and, with URLLINKCONVERT, with
// its addresses linked. romaji: converted to hiragana first. Each line is
// made whole in memory: what the pieces below must join to.
std::vector<Html> BodyLines(const Request& req, std::string_view body, bool romaji);
// The same lines written one at a time, each followed by "<BR>" and CR LF:
// only one line is held besides the body.
void WriteBodyLines(Request& req, std::string_view body, bool romaji);
// One line of a body converted as BodyLines does, handed to write in pieces
// of about piece bytes or more (cut where text/convert.h LineCut allows);
// the pieces join to the whole line's conversion.
void ForEachBodyPiece(const Request& req, std::string_view line, bool romaji, std::size_t piece,
                      const std::function<void(const Html&)>& write);

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
