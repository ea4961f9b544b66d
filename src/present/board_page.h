// The board's thread index page (action 2): the view, move and post menus,
// the paging links, and a table of threads cut into pages.
//
// Threads. Every top-level article (parent number 0) that shows something
// is a thread of the page: a visible top (not deleted, or DELETEVISIBLE on),
// or, in the open form (TREECLOSE off), a deleted top with at least one
// visible reply, whose own line is left out. The rule is the same on every
// page, so every page counts the same threads.
//
// Order. By date: the newest top first. With NEWPOSTSORT: by the thread's
// newest post (a single article's own date, a thread's newest reply),
// newest first, equal dates with the newer top first. Either order is one
// list over the whole board, which the pages cut into pieces.
//
// VIEWLIMIT. Threads whose top lies at position N - VIEWLIMIT - 2 or below
// are not listed; the page where the list ends closes its table with the
// notice that nothing older can be shown, and has no older-page link.
//
// Pages. A page takes threads from its first one until its row total
// exceeds the page size; the thread that crosses it stays on the page, so a
// thread is never split. A thread counts its visible replies + 1 rows, a
// single article 1; with TREECLOSE every thread counts 1.
//
// Numbers. In both orders the number of the query and of both paging links
// is the article number of the top that begins the page; 0 is the first
// page. A number that is no listed top begins the page at the newest listed
// top that is that article or older (the date order's walk from an
// article); when there is none the page is empty. The pages are cut from
// the first one on: the older-page link ("前のページ") of a page leads to
// the thread after its last one, and the newer-page link ("次のページ") to
// the first thread of the cut page that holds the thread just before this
// page's first one. So following the older links from the first page and
// then the newer links back visits the same pages, each thread once. On the
// first page the newer item, on the last page the older item is plain text.
#ifndef KIROQ_PRESENT_BOARD_PAGE_H_
#define KIROQ_PRESENT_BOARD_PAGE_H_

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

namespace kiroq {

struct Request;
struct Settings;
class IndexView;
class ThreadWalker;
class ThreadTable;

// Action 2: writes the whole response, CGI header to page tail.
void BoardPage(Request& req);

// --- The pieces, for tests ---

struct BoardThread {
  int top;             // position of the top article
  bool single;         // no replies reached: shown as a list row
  int rows;            // rows it counts on a page
  double newest_days;  // the date it is sorted by
};

struct BoardThreads {
  std::vector<BoardThread> list;  // in page order
  bool limited = false;           // VIEWLIMIT left threads out
};

// The threads of the board in page order (see above), found as a page asks
// for them: in date order from the newest top down, as far as the page
// reaches; in NEWPOSTSORT order all of them first (every thread's newest
// post is needed), sorted only as far as asked. Keep it with the index and
// walker it was made with.
class ThreadList {
 public:
  virtual ~ThreadList() = default;
  // Thread i, or nullptr past the end of the list.
  virtual const BoardThread* At(std::size_t i) = 0;
};

class ThreadSource : public ThreadList {
 public:
  ThreadSource(const IndexView& index, ThreadWalker& walker, const Settings& settings);
  ~ThreadSource() override;
  const BoardThread* At(std::size_t i) override;
  // VIEWLIMIT left threads out (looks through the whole list).
  bool limited();

 private:
  void Summarize(int top, BoardThread* t, bool* shown);
  bool Beyond(int top) const;
  bool NextByDate();
  void CollectAll();
  static bool NewerPost(const BoardThread& a, const BoardThread& b);

  const IndexView& index_;
  ThreadWalker& walker_;
  const Settings& s_;
  std::unique_ptr<ThreadTable> table_;
  double floor_days_;             // where a thread's newest date starts
  int next_top_;                  // the next position the date order looks at
  std::deque<BoardThread> list_;  // a deque: handed-out threads stay put as it grows
  bool limited_ = false;
  bool collected_ = false;  // NEWPOSTSORT: every thread is in list_
  std::size_t sorted_ = 0;  // list_[0, sorted_) is in its final order
};

// All the threads at once.
BoardThreads CollectThreads(const IndexView& index, ThreadWalker& walker, const Settings& settings);

// Threads [first, end) of the page, and the numbers of its paging links
// (-1: no link; the newer link's 0 is the first page).
struct PagePlan {
  std::size_t first = 0;
  std::size_t end = 0;
  long long newer = -1;
  long long older = -1;
};

// The end of the page that begins at first.
std::size_t PageEnd(ThreadList& threads, std::size_t first, int page_size);
std::size_t PageEnd(const std::vector<BoardThread>& threads, std::size_t first, int page_size);
// tops_descend: the list is in date order, so the first top at or below
// the number is the newest such.
PagePlan PlanPage(ThreadList& threads, long long number, int page_size, bool tops_descend);
PagePlan PlanPage(const std::vector<BoardThread>& threads, long long number, int page_size);

}  // namespace kiroq

#endif  // KIROQ_PRESENT_BOARD_PAGE_H_
