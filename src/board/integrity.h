// The soundness of a board's index and log: what is wrong with them, and
// mending what can be mended without losing an article.
//
// Faults are found on the bytes of the whole records (an IndexView), the
// size of the partial record after them and the size of the log; nothing in
// the files is trusted. Repair touches only the child lists and counts of
// records, and cuts a partial last record off the index; titles, bodies,
// parent numbers, dates and every other field stay as they are.
#ifndef KIROQ_BOARD_INTEGRITY_H_
#define KIROQ_BOARD_INTEGRITY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "board/thread_tree.h"
#include "platform/env.h"
#include "storage/board_files.h"

namespace kiroq {

enum class FaultKind {
  kPartialRecord,   // the index ends inside a record
  kBodyOutside,     // body offsets name bytes outside the log
  kBodyReversed,    // body end more than one byte before its start
  kBodyOverlap,     // the body shares bytes with another article's
  kParentOutside,   // parent number neither 0 nor an article of the board
  kParentNotOlder,  // parent number not below the article's own
  kParentCycle,     // parent numbers lead back to the article
  kChildOutside,    // child entry outside the board
  kChildNotNewer,   // child entry not newer than its parent
  kChildTwice,      // child entry listed again in the same list
  kChildOfAnother,  // child entry naming an article whose parent number names another
  kChildCycle,      // child lists lead back to the article
  kReplyMissing,    // a reply left out of its parent's list, which has room
  kCountOutside,    // child count over 101 or below 0
  kDate,            // date bytes that do not read as a date
  kAttachmentName,  // an attachment name an upload would be refused today
};

// True for the kinds RepairIndex mends: the partial record, child entries,
// child cycles, missing replies and counts.
bool RepairMends(FaultKind kind);

struct IndexFault {
  int number;  // the article (1-based); count + 1 for the partial record
  FaultKind kind;
  std::string text;  // one line: "article N: what is wrong"
};

// Every fault of an index of index.count() whole records followed by
// tail_bytes of a partial one, over a log of log_size bytes, ordered by
// article number. sjis: attachment names are read as Shift-JIS (a Japanese
// board), as uploads read them.
std::vector<IndexFault> CheckIndex(const IndexView& index, uint64_t tail_bytes, uint64_t log_size, bool sjis);

// A record repair rewrites: its new bytes and one line per change.
struct RecordRepair {
  int position;
  std::string bytes;
  std::vector<std::string> changes;
};

// The child lists and counts as they should be: entries outside the board,
// not newer, listed twice or naming another parent's reply dropped; replies
// missing from a list with room linked in posting order (the oldest first,
// while the list has room); counts set to the lists' length. Slots emptied
// by dropped entries are zeroed. Empty when every list is sound.
std::vector<RecordRepair> PlanChildRepairs(const IndexView& index);

// The board's files, checked under the read-shared locks the reading pages
// take. Fails (NotFound, Busy, IOError) when the index or the log cannot be
// opened or read.
Status CheckBoardFiles(Env* env, const BoardFiles& files, bool sjis, std::vector<IndexFault>* faults);

// Mends the board's index under the write-exclusive lock posting takes.
// When anything is to change, a copy of the index goes first to
// bbsdb/<board>.idx.<stamp>.bak, a partial last record to
// bbsdb/<board>.idx.<stamp>.tail (cut from the index), and then the
// records of PlanChildRepairs are written. The copies are new files, their
// owner's only (OpenMode::kCreateNew): a name taken, even by a symbolic
// link, is passed over for the same name with "-2", "-3" ...; when no copy
// can be made, the index is left as it is. *changes receives one line per
// change (the files written first); nothing is written when it stays empty.
// stamp: the UTC time, as UtcStamp gives it.
Status RepairBoardFiles(Env* env, const BoardFiles& files, const std::string& stamp, std::vector<std::string>* changes);

// A UNIX time as yyyymmddThhmmssZ (UTC), for file names.
std::string UtcStamp(int64_t unix_time);

}  // namespace kiroq

#endif  // KIROQ_BOARD_INTEGRITY_H_
