// The page label set: menu labels, headings and notices in the board's
// language, chosen once per request.
#ifndef KIROQ_HTML_LABELS_H_
#define KIROQ_HTML_LABELS_H_

#include <string_view>

namespace kiroq {

struct PageLabels {
  std::string_view title_list, tree, article_list, latest, from_top;
  std::string_view view_prompt, move_prompt, post_prompt;
  std::string_view new_post, reply, delete_label, deleted_label;
  std::string_view next_page, previous_page, next_article, previous_article;
  std::string_view personal_settings;
  std::string_view title_heading, date_heading, poster_heading, number_heading;
  std::string_view empty_board, no_articles, index_busy;
};

// English boards ignore image_button and mobile.
PageLabels ChooseLabels(bool japanese, bool image_button, bool mobile);

}  // namespace kiroq

#endif  // KIROQ_HTML_LABELS_H_
