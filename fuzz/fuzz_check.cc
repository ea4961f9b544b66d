// The board tool's check and repair on untrusted index bytes.
//
// Input: 4 bytes, the log's size (little-endian); 1 byte, bit 0: attachment
// names read as Shift-JIS; then the index, a partial record after the whole
// ones included. Check must take any bytes; every line names an article of
// the index (or the partial record after it) and is one line. Repair
// changes only child lists and counts, after which check finds nothing it
// claims to mend, and a second repair finds nothing to do.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "board/integrity.h"
#include "board/thread_tree.h"
#include "fuzz_support.h"
#include "storage/record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kiroq;
  using namespace kiroq::fuzz;
  if (size < 5) return 0;
  const uint64_t log_size =
      uint64_t{data[0]} | uint64_t{data[1]} << 8 | uint64_t{data[2]} << 16 | uint64_t{data[3]} << 24;
  const bool sjis = data[4] & 1;
  const std::string_view input = AsText(data + 5, size - 5);
  // Whole records in a buffer of their own, so that AddressSanitizer sees a
  // read past them.
  std::string bytes(input.substr(0, input.size() - input.size() % kRecordSize));
  const uint64_t tail = input.size() % kRecordSize;
  const IndexView index(bytes);

  for (const IndexFault& f : CheckIndex(index, tail, log_size, sjis)) {
    Check(f.number >= 1 && f.number <= index.count() + (tail > 0 ? 1 : 0), "fault outside the index");
    Check(f.text.rfind("article " + std::to_string(f.number) + ": ", 0) == 0, "fault line names another article");
    Check(!HasLineBreak(f.text), "fault line breaks");
    Check(f.kind != FaultKind::kPartialRecord || tail > 0, "partial record reported on whole records");
  }

  const std::string before = bytes;
  for (const RecordRepair& r : PlanChildRepairs(index)) {
    Check(r.position >= 0 && r.position < index.count() && r.bytes.size() == kRecordSize, "repair outside the index");
    Check(!r.changes.empty(), "repair without a line");
    const std::size_t at = static_cast<std::size_t>(r.position) * kRecordSize;
    namespace L = record_layout;
    for (std::size_t i = 0; i < kRecordSize; ++i) {
      Check(r.bytes[i] == before[at + i] || (i >= L::kChildren && i < L::kChildCount + 4), "repair outside the lists");
    }
    bytes.replace(at, kRecordSize, r.bytes);
  }
  for (const IndexFault& f : CheckIndex(IndexView(bytes), 0, log_size, sjis)) {
    Check(!RepairMends(f.kind), "check still finds what repair mends");
  }
  Check(PlanChildRepairs(IndexView(bytes)).empty(), "a second repair changes more");
  return 0;
}
