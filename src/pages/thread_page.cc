#include "pages/thread_page.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "board/thread_tree.h"
#include "html/article_block.h"
#include "html/article_view.h"
#include "html/frame.h"
#include "html/page_context.h"
#include "html/request.h"
#include "storage/board_files.h"

namespace kiroq {

namespace {

// The article at start and its replies in walk order, read under a shared
// read open of the index that is closed again before anything is
// shown. Only the thread's records are read; *count becomes the index's
// article count when it could be read. Ends the request when the index
// stays busy; empty when there is no such article.
std::vector<ShownArticle> ReadThread(Request& req, int start, int* count) {
  std::unique_ptr<File> file;
  Status s = OpenWithRetry(req.env, req.files.Index(), OpenMode::kReadShared, kStandardRetry, &file);
  if (s.IsBusy()) {
    req.out->Line(req.labels.index_busy);
    EndRequest();
  }
  std::string_view bytes;
  if (s.ok()) s = MapWholeRecords(file.get(), &bytes);
  if (!s.ok()) bytes = std::string_view();
  const IndexView index(bytes);
  if (s.ok()) *count = index.count();
  std::vector<ShownArticle> thread;
  if (start < 0 || start >= index.count()) return thread;
  thread.push_back({start, index.record(start)});
  ThreadWalker walker(&index);
  for (const ThreadReply& r : walker.Replies(start)) thread.push_back({r.position, index.record(r.position)});
  return thread;
}

}  // namespace

void ThreadPage(Request& req, const PageContext& page) {
  PageContext shown = page;
  const int start = page.position;
  const std::vector<ShownArticle> thread = ReadThread(req, start, &shown.count);
  const bool has_template = !req.files.FindBesideProgram(req.env, ".mes").empty();
  if (!has_template) WriteArticleNavBar(req, start + 1, shown.count, thread.empty() ? nullptr : &thread.front().rec);
  // A template opens the log for each body it shows, and so does a lone
  // article; the bodies of the block view are read a batch at a time, with
  // the log closed while each batch is written. The thread menu goes with
  // the first article shown; one too old to show gets a notice instead.
  if (has_template || thread.size() <= 1) {
    for (const ShownArticle& a : thread) {
      if (ShowArticleOrNotice(req, shown, a.rec, a.position + 1)) shown.thread_menu = false;
    }
    return;
  }
  std::vector<std::string> bodies;
  for (std::size_t from = 0; from < thread.size();) {
    std::size_t end;
    {
      std::unique_ptr<File> log = OpenLogForArticles(req);
      end = ReadBodyBatch(log.get(), thread, from, &bodies);
    }
    for (std::size_t k = from; k < end; ++k) {
      if (ShowArticleOrNotice(req, shown, thread[k].rec, thread[k].position + 1, BodySource::Read(bodies[k - from]))) {
        shown.thread_menu = false;
      }
    }
    from = end;
  }
}

}  // namespace kiroq
