#include "html/article_view.h"

#include "board/visibility.h"
#include "html/article_block.h"
#include "html/request.h"
#include "html/templates.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {

void ShowArticle(Request& req, const PageContext& page, const IndexRecord& rec, int number, const BodySource& body) {
  std::string message_template = req.files.FindBesideProgram(req.env, ".mes");
  if (!message_template.empty()) {
    // The template's current article is the one shown (thread and list
    // pages show several).
    PageContext shown = page;
    shown.position = number - 1;
    RenderTemplate(req, shown, message_template, rec, body);
    return;
  }
  WriteArticleBlock(req, page, rec, number, body);
}

std::size_t ReadBodyBatch(File* log, const std::vector<ShownArticle>& articles, std::size_t from,
                          std::vector<std::string>* bodies) {
  bodies->clear();
  uint64_t log_size = 0;
  const bool sized = log->Size(&log_size).ok();
  std::size_t bytes = 0, end = from;
  for (; end < articles.size(); ++end) {
    const IndexRecord& rec = articles[end].rec;
    const std::size_t size =
        rec.HasBody() && rec.body_start >= 0 ? static_cast<std::size_t>(int64_t{rec.body_end} - rec.body_start + 1) : 0;
    if (end > from && bytes + size > kBodyBatchBytes) break;
    bytes += size;
    bodies->emplace_back();
    if (rec.HasBody() && (!sized || !ReadBodyWithin(log, log_size, rec, &bodies->back()).ok())) {
      bodies->back().clear();
    }
  }
  return end;
}

bool ShowArticleOrNotice(Request& req, const PageContext& page, const IndexRecord& rec, int number,
                         const BodySource& body) {
  if (BeyondViewLimit(req.settings.view_limit, page.count, number - 1)) {
    req.out->Line("<P>このログは表示できません。"_sj);
    return false;
  }
  ShowArticle(req, page, rec, number, body);
  return true;
}

}  // namespace kiroq
