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
// newest post, newest first, where newest means posted last: the record
// furthest down the index (articles are appended as they are posted) whose
// parent numbers lead up to the top. A parent number counts only where the
// walk would follow the same link down (the parent is older, inside the
// index, and lists the reply or has a full list), so a damaged file never
// sorts a thread by an article that its rows would not show. Dates play no
// part: a clock set back cannot reorder the board, and no two threads tie.
// Either order is one list over the whole board, which the pages cut into
// pieces.
//
// VIEWLIMIT. Threads whose top lies at position N - VIEWLIMIT - 2 or below
// are not listed, in either order; the page where the list ends closes its
// table with the notice that nothing older can be shown, and has no
// older-page link.
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
#ifndef KIROQ_PAGES_BOARD_PAGE_H_
#define KIROQ_PAGES_BOARD_PAGE_H_

#include <cstddef>
#include <cstdint>
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
  int top;      // position of the top article
  bool single;  // no replies reached: shown as a list row
  int rows;     // rows it counts on a page
  int newest;   // NEWPOSTSORT: the position of its newest post; -1 in date order
};

struct BoardThreads {
  std::vector<BoardThread> list;  // in page order
  bool limited = false;           // VIEWLIMIT left threads out
};

// A list of threads in page order, read as far as a page asks.
class ThreadList {
 public:
  virtual ~ThreadList() = default;
  // Thread i, or nullptr past the end of the list.
  virtual const BoardThread* At(std::size_t i) = 0;
  // Where the page for an article number other than 0 begins: the newest
  // listed top that is that article or older; the end of the list when
  // there is none. This one looks through the whole list.
  virtual std::size_t Find(long long number);
};

// The threads of the board in page order (see above), found as a page asks
// for them. Date order takes the tops from the newest down. NEWPOSTSORT
// reads the index from its newest record back, and a thread joins the list
// the first time one of its articles is met: the first page reads the
// newest records and its own threads only, a later page the records down
// to its threads, so its cost grows with its depth. Keep it with the index
// and walker it was made with.
class ThreadSource : public ThreadList {
 public:
  ThreadSource(const IndexView& index, ThreadWalker& walker, const Settings& settings);
  ~ThreadSource() override;
  const BoardThread* At(std::size_t i) override;
  std::size_t Find(long long number) override;
  // VIEWLIMIT left threads out (looks through the whole list).
  bool limited();

 private:
  // What the thread of top shows (rows, single) and whether it is listed
  // at all, from the one-pass totals or the walk.
  void Summarize(int top, BoardThread* t, bool* shown);
  bool Beyond(int top) const;
  bool Next() { return by_post_ ? NextByPost() : NextByDate(); }
  bool NextByDate();
  bool NextByPost();
  // The top of the thread that the article at position belongs to by its
  // parent numbers, or -1 when a link on the way is not accepted.
  int TopOf(int position);
  bool FollowsUp(int child, int64_t parent) const;
  static constexpr int32_t kUnknownTop = -2;
  std::size_t Slot(int position) const;
  int32_t KnownTop(int position) const;

  const IndexView& index_;
  ThreadWalker& walker_;
  const Settings& s_;
  const bool by_post_;
  std::unique_ptr<ThreadTable> table_;
  std::deque<BoardThread> list_;  // a deque: handed-out threads stay put as it grows
  bool limited_ = false;
  // Date order: the next top to look at. NEWPOSTSORT: the next record.
  int next_;
  // NEWPOSTSORT: the top of each record looked up, by Slot: it grows from
  // the newest record down as far as the chains of parents reached; the
  // tops met, by position; met tops beyond VIEWLIMIT, whose threads are
  // summarized only when limited() is asked.
  std::vector<int32_t> top_of_;
  std::vector<bool> met_;
  std::vector<int> beyond_;
  std::vector<int> chain_;  // scratch for TopOf
};

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
PagePlan PlanPage(ThreadList& threads, long long number, int page_size);
PagePlan PlanPage(const std::vector<BoardThread>& threads, long long number, int page_size);

}  // namespace kiroq

#endif  // KIROQ_PAGES_BOARD_PAGE_H_
