// One row of the board index for a top-level article without replies.
#ifndef KIROQ_HTML_LIST_ROW_H_
#define KIROQ_HTML_LIST_ROW_H_

#include <string_view>

#include "cgi/html.h"

namespace kiroq {

struct Request;
struct IndexRecord;

// Writes the row of the article at position (0-based), or nothing for a
// deleted article unless DELETEVISIBLE is on.
void WriteListRow(Request& req, const IndexRecord& rec, int position);

// A title as lists show it: cut to SUBJECTLENGTH bytes with "..." and
// HTML-escaped.
Html ListTitle(const Request& req, std::string_view title);

// A table cell opening: <TD BGCOLOR="colour"> or <TD> when colour (a
// setting) is empty;
// nowrap gives <TD NOWRAP ...>.
Html CellOpen(std::string_view colour, bool nowrap);

}  // namespace kiroq

#endif  // KIROQ_HTML_LIST_ROW_H_
