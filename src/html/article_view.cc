#include "html/article_view.h"

#include "html/article_block.h"
#include "html/request.h"
#include "html/templates.h"
#include "storage/board_files.h"

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

}  // namespace kiroq
