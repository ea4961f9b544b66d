#include "html/article_view.h"

#include "html/article_block.h"
#include "html/request.h"
#include "html/templates.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {

void ShowArticle(Request& req, const IndexRecord& rec, int number, File* log) {
  std::string message_template = req.files.FindBesideProgram(req.env, ".mes");
  if (!message_template.empty()) {
    // The template's current article is the one shown (thread and list
    // pages show several).
    const int position = req.position;
    req.position = number - 1;
    RenderTemplate(req, message_template, rec, log);
    req.position = position;
    return;
  }
  WriteArticleBlock(req, rec, number, log);
}

}  // namespace kiroq
