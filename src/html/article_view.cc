#include "html/article_view.h"

#include "board/visibility.h"
#include "html/article_block.h"
#include "html/request.h"
#include "html/templates.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {

void ShowArticle(Request& req, const PageContext& page, const IndexRecord& rec, int number, File* log) {
  std::string message_template = req.files.FindBesideProgram(req.env, ".mes");
  if (!message_template.empty()) {
    // The template's current article is the one shown (thread and list
    // pages show several).
    PageContext shown = page;
    shown.position = number - 1;
    RenderTemplate(req, shown, message_template, rec, log);
    return;
  }
  WriteArticleBlock(req, page, rec, number, log);
}

bool ShowArticleOrNotice(Request& req, const PageContext& page, const IndexRecord& rec, int number, File* log) {
  if (BeyondViewLimit(req.settings.view_limit, page.count, number - 1)) {
    req.out->Line("<P>このログは表示できません。"_sj);
    return false;
  }
  ShowArticle(req, page, rec, number, log);
  return true;
}

}  // namespace kiroq
