#include "present/thread_page.h"

#include <string>

#include "main/request.h"
#include "pages/frame.h"
#include "present/article_block.h"
#include "present/thread_tree.h"

namespace kiroq {

void ThreadPage(Request& req) {
  std::string bytes;
  Status s = LoadWholeIndex(req.env, req.files.Index(), &bytes);
  if (s.IsBusy()) {
    req.out->Line(req.labels.index_busy);
    EndRequest();
  }
  // The index is closed again before anything is shown.
  const IndexView index(bytes);
  if (s.ok()) req.count = index.count();
  const int start = req.position;
  const bool found = start >= 0 && start < index.count();
  IndexRecord rec;
  if (found) rec = index.record(start);
  if (req.files.FindBesideProgram(req.env, ".mes").empty()) {
    WriteArticleNavBar(req, start + 1, req.count, found ? &rec : nullptr);
  }
  if (!found) return;
  ShowArticle(req, rec, start + 1);
  ThreadWalker walker(&index);
  for (const ThreadReply& r : walker.Replies(start)) ShowArticle(req, index.record(r.position), r.position + 1);
}

}  // namespace kiroq
