#include "pages/feed.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "board/dates.h"
#include "board/views.h"
#include "board/visibility.h"
#include "cgi/client.h"
#include "cgi/headers.h"
#include "cgi/output.h"
#include "html/article_view.h"
#include "html/frame.h"
#include "html/links.h"
#include "html/request.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "storage/record_window.h"
#include "text/ascii.h"

namespace kiroq {

namespace {

constexpr std::size_t kEntries = 20;
// The first read takes the entries and a few deleted articles among them.
constexpr int kFirstRead = 32;
constexpr int kRecordsPerRead = 128;
// The page size of entry ids: the default, whatever the request's.
constexpr int kIdPageSize = 10;
constexpr std::string_view kNoDate = "1970-01-01T00:00:00+00:00";

// The newest articles a visitor may see, newest first, read from the end of
// the index with it open for reading only. False when the index is busy or
// cannot be read.
bool ReadNewest(Request& req, std::vector<ShownArticle>* articles) {
  std::unique_ptr<File> index;
  if (!OpenWithRetry(req.env, req.files.Index(), OpenMode::kReadShared, kStandardRetry, &index).ok()) return false;
  int count = 0;
  if (!ArticleCount(index.get(), &count).ok()) return false;
  const long long view_limit = req.settings.view_limit;
  const int lowest = static_cast<int>(std::clamp<long long>(ViewLimitFloor(view_limit, count) + 1, 0, count));
  RecordWindow window(index.get(), lowest, kFirstRead, kRecordsPerRead);
  for (int p = count - 1; p >= lowest && articles->size() < kEntries; --p) {
    IndexRecord rec;
    if (!window.Get(p, &rec)) break;
    if (MayShowBody(view_limit, count, p, rec.is_deleted())) articles->push_back({p, std::move(rec)});
  }
  return !window.failed();
}

// Each article's date, RFC 3339; "" for one that cannot be read.
std::vector<std::string> PostDates(Env* env, const std::vector<ShownArticle>& articles) {
  std::vector<std::string> dates(articles.size());
  for (std::size_t k = 0; k < articles.size(); ++k) PostDateRfc3339(articles[k].rec.date, env, &dates[k]);
  return dates;
}

// The entries' updated dates: the post date, or for one that cannot be read
// the nearest readable one, newer first.
std::vector<std::string> UpdatedDates(const std::vector<std::string>& dates) {
  std::vector<std::string> updated = dates;
  for (std::size_t k = 1; k < updated.size(); ++k) {
    if (updated[k].empty()) updated[k] = updated[k - 1];
  }
  for (std::size_t k = updated.size(); k-- > 1;) {
    if (updated[k - 1].empty()) updated[k - 1] = updated[k];
  }
  for (std::string& date : updated) {
    if (date.empty()) date = kNoDate;
  }
  return updated;
}

// The article's address with this page size.
std::string ArticleAddress(const Request& req, long long page_size, int number) {
  return ProgramFolderAddress(req.client) + BoardHrefSized(req, page_size, number, Action::kArticle).bytes();
}

void WriteFeedHead(Request& req, const std::string& updated) {
  Output* out = req.out;
  const std::string base = ProgramFolderAddress(req.client);
  const ViewList views = OfferedViews(req.settings.view_select);
  const Action board_page = views.empty() ? Action::kArticle : ViewAction(views.views[0]);
  out->Line("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  out->Line("<feed xmlns=\"http://www.w3.org/2005/Atom\">");
  out->Line("<title>" + XmlText(FeedTitle(req)) + "</title>");
  out->Line("<link rel=\"self\" type=\"application/atom+xml\" href=\"" +
            XmlText(base + BoardHref(req, 0, Action::kFeed).bytes()) + "\"/>");
  out->Line("<link rel=\"alternate\" type=\"text/html\" href=\"" +
            XmlText(base + BoardHref(req, 0, board_page).bytes()) + "\"/>");
  out->Line("<id>" + XmlText(base + "kiroq.exe?" + PercentEncode(req.board, "")) + "</id>");
  out->Line("<updated>" + XmlText(updated) + "</updated>");
  out->Line("<generator>kiroq</generator>");
}

// The body as stored, without the line breaks that end it.
std::string_view BodyText(std::string_view body) {
  while (!body.empty() && (body.back() == '\r' || body.back() == '\n')) body.remove_suffix(1);
  return body;
}

void WriteEntry(Request& req, const ShownArticle& a, const std::string& posted, const std::string& updated,
                std::string_view body) {
  Output* out = req.out;
  const int number = a.position + 1;
  out->Line("<entry>");
  out->Line("<title>" + XmlText(a.rec.title) + "</title>");
  out->Line("<link rel=\"alternate\" type=\"text/html\" href=\"" + XmlText(ArticleAddress(req, req.page_size, number)) +
            "\"/>");
  out->Line("<id>" + XmlText(ArticleAddress(req, kIdPageSize, number)) + "</id>");
  if (!posted.empty()) out->Line("<published>" + XmlText(posted) + "</published>");
  out->Line("<updated>" + XmlText(updated) + "</updated>");
  out->Line("<author><name>" + XmlText(a.rec.name) + "</name></author>");
  out->Line("<content type=\"text\">" + XmlText(BodyText(body)) + "</content>");
  out->Line("</entry>");
}

void WriteBusyPage(Request& req) {
  WritePageHeader(req.out);
  req.out->Line(req.labels.index_busy);
}

}  // namespace

void FeedPage(Request& req) {
  std::vector<ShownArticle> articles;
  if (!ReadNewest(req, &articles)) return WriteBusyPage(req);
  const std::vector<std::string> posted = PostDates(req.env, articles);
  const std::vector<std::string> updated = UpdatedDates(posted);

  // The bodies a batch at a time, each batch written once the log is
  // closed (html/article_view.h).
  std::vector<std::string> bodies;
  std::size_t from = 0;
  bool started = false;
  do {
    std::size_t end;
    {
      std::unique_ptr<File> log;
      if (!OpenWithRetry(req.env, req.files.Log(), OpenMode::kReadShared, kStandardRetry, &log).ok()) {
        if (!started) return WriteBusyPage(req);
        break;  // the document ends with the entries written
      }
      end = ReadBodyBatch(log.get(), articles, from, &bodies);
    }
    if (!started) {
      WriteFeedHeader(req.out);
      WriteFeedHead(req, updated.empty() ? std::string(kNoDate) : updated[0]);
      started = true;
    }
    for (std::size_t k = from; k < end; ++k) WriteEntry(req, articles[k], posted[k], updated[k], bodies[k - from]);
    from = end;
  } while (from < articles.size());
  req.out->Line("</feed>");
}

}  // namespace kiroq
