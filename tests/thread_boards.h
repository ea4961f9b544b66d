// Index files built in memory for the thread tests: records, child lists,
// and random boards with damaged links.
#ifndef KIROQ_TESTS_THREAD_BOARDS_H_
#define KIROQ_TESTS_THREAD_BOARDS_H_

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "pages/board_page.h"
#include "storage/record.h"

namespace kiroq {

std::string EncodeAll(const std::vector<IndexRecord>& recs);

// A record posted `minute` minutes after 2024/12/01 00:00 (below 24 hours),
// answering article number parent (0: a top).
IndexRecord Posted(int minute, int parent = 0);

// Appends child to parent's list while it has room.
void ListChild(IndexRecord* parent, int32_t child);

// n random records: about half answer an older one, one in six is
// deleted; with damage, also lists that name a reply twice, parent numbers
// that no list backs or that point forward or outside, and lists claimed
// full without their entries.
std::vector<IndexRecord> RandomBoard(std::mt19937& rng, int n, bool damaged);

// Every thread of the board at once, in the board page's order.
BoardThreads CollectThreads(const IndexView& index, ThreadWalker& walker, const Settings& settings);

// "1900/01/01 00:00:00" as a legacy text date: a floor below every real date.
DateField SortDateFloor();

}  // namespace kiroq

#endif  // KIROQ_TESTS_THREAD_BOARDS_H_
