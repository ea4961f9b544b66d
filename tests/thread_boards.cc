#include "thread_boards.h"

#include <cstring>

#include "board_fixture.h"

namespace kiroq {

std::string EncodeAll(const std::vector<IndexRecord>& recs) {
  std::string bytes;
  for (const IndexRecord& r : recs) bytes += EncodeRecord(r);
  return bytes;
}

IndexRecord Posted(int minute, int parent) {
  IndexRecord r = SampleRecord("t");
  r.parent = parent;
  r.date = EncodePostDate({2024, 12, 1, minute / 60, minute % 60, 0});
  return r;
}

void ListChild(IndexRecord* parent, int32_t child) {
  if (parent->child_count < kMaxChildren) parent->children[static_cast<std::size_t>(parent->child_count++)] = child;
}

std::vector<IndexRecord> RandomBoard(std::mt19937& rng, int n, bool damaged) {
  std::vector<IndexRecord> recs;
  auto below = [&](int k) { return static_cast<int>(rng() % static_cast<unsigned>(k)); };
  for (int k = 0; k < n; ++k) {
    IndexRecord r = Posted(k % 1440);
    r.deleted = rng() % 6 == 0;
    if (k > 0 && rng() % 2 == 0) {
      const int parent = below(k);
      r.parent = parent + 1;
      ListChild(&recs[static_cast<std::size_t>(parent)], k);
      if (damaged && rng() % 15 == 0) ListChild(&recs[static_cast<std::size_t>(below(k))], k);
    }
    if (damaged) {
      if (k > 0 && rng() % 25 == 0) r.parent = below(k) + 1;
      if (rng() % 60 == 0) r.parent = k + 1 + static_cast<int32_t>(rng() % 500);
      if (rng() % 40 == 0) r.child_count = kMaxChildren;
    }
    recs.push_back(r);
  }
  return recs;
}

BoardThreads CollectThreads(const IndexView& index, ThreadWalker& walker, const Settings& s) {
  ThreadSource source(index, walker, s);
  BoardThreads threads;
  for (std::size_t i = 0; const BoardThread* t = source.At(i); ++i) threads.list.push_back(*t);
  threads.limited = source.limited();
  return threads;
}

DateField SortDateFloor() {
  const std::string_view text = "1900/01/01 00:00:00";
  DateField d{};
  d[0] = static_cast<uint8_t>(text.size());
  std::memcpy(d.data() + 1, text.data(), text.size());
  return d;
}

}  // namespace kiroq
