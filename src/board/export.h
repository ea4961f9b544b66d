// A whole board as one JSON document in UTF-8, for moving it to another
// system. The shape is documented in the README ("The board tool").
#ifndef KIROQ_BOARD_EXPORT_H_
#define KIROQ_BOARD_EXPORT_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/env.h"
#include "storage/board_files.h"

namespace kiroq {

struct ExportTotals {
  int articles = 0;          // articles written
  std::size_t replaced = 0;  // bytes (or pairs) that were no Shift-JIS character, written as U+FFFD
};

// Writes the articles numbered above since (all for 0) that exist when it
// starts, oldest first, through write. Records are read a window at a time
// under the index's read-shared lock and bodies one at a time, a block at a
// time, under the log's, so memory stays the same on a board of any size
// and posts go on between windows. Fails (the document then ends early)
// when a file cannot be opened or read.
Status ExportBoard(Env* env, const BoardFiles& files, int since, const std::function<void(std::string_view)>& write,
                   ExportTotals* totals);

// Appends text (UTF-8) as a JSON string: quotes, backslashes and control
// characters escaped.
void AppendJsonString(std::string_view utf8, std::string& out);

}  // namespace kiroq

#endif  // KIROQ_BOARD_EXPORT_H_
