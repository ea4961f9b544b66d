// A thread as rows of the board table.
#ifndef KIROQ_HTML_THREAD_ROWS_H_
#define KIROQ_HTML_THREAD_ROWS_H_

#include <vector>

#include "board/thread_tree.h"

namespace kiroq {

struct Request;

// Writes the thread of top as one row of the board table: number, date
// (with USEDATE), title and poster columns, one line per shown article, in
// the open form or, with TREECLOSE, the closed one-line form. replies is
// the walk from top.
void WriteThreadRows(Request& req, const IndexView& index, int top, const std::vector<ThreadReply>& replies);

// The same from what was read before the index was closed.
void WriteThreadRows(Request& req, const ThreadRowsData& rows);

}  // namespace kiroq

#endif  // KIROQ_HTML_THREAD_ROWS_H_
