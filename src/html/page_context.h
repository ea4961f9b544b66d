// Where a page that shows articles stands, worked out once by the page (or
// by the start-up for the framed pages) and passed on as a value.
#ifndef KIROQ_HTML_PAGE_CONTEXT_H_
#define KIROQ_HTML_PAGE_CONTEXT_H_

namespace kiroq {

struct PageContext {
  // The action the page shows as: the request's, or the one a page hands
  // on (the article list after a post from it, the article after a toggle).
  int action = 0;
  int count = 0;     // articles on the board
  int position = 0;  // 0-based record of the current article
  // A thread page writes its menu once: at the first <ALLMENU> of the first
  // article's template.
  bool thread_menu = true;

  long long current() const { return static_cast<long long>(position) + 1; }
};

}  // namespace kiroq

#endif  // KIROQ_HTML_PAGE_CONTEXT_H_
