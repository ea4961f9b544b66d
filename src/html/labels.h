// The page label set: menu labels, headings and notices in the board's
// language, chosen once per request.
#ifndef KIROQ_HTML_LABELS_H_
#define KIROQ_HTML_LABELS_H_

#include "text/sjis.h"

namespace kiroq {

// Program text, some of it markup (the picture buttons).
struct PageLabels {
  SjLiteral title_list, tree, article_list, latest, from_top;
  SjLiteral view_prompt, move_prompt, post_prompt;
  SjLiteral new_post, reply, delete_label, deleted_label;
  SjLiteral next_page, previous_page, next_article, previous_article;
  SjLiteral personal_settings;
  SjLiteral title_heading, date_heading, poster_heading, number_heading;
  SjLiteral empty_board, no_articles, index_busy;
};

// English boards ignore image_button and mobile.
PageLabels ChooseLabels(bool japanese, bool image_button, bool mobile);

}  // namespace kiroq

#endif  // KIROQ_HTML_LABELS_H_
