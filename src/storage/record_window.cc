#include "storage/record_window.h"

#include <algorithm>

namespace kiroq {

bool RecordWindow::Get(int p, IndexRecord* rec) {
  if (p < low_ || p >= low_ + Loaded()) Load(p);
  if (p < low_) return false;
  std::size_t offset = static_cast<std::size_t>(p - low_) * kRecordSize;
  if (offset + kRecordSize > bytes_.size()) return false;
  DecodeRecord(std::string_view(bytes_).substr(offset, kRecordSize), rec);
  return true;
}

void RecordWindow::Load(int high) {
  low_ = std::max(lowest_, high - std::max(next_block_, 1) + 1);
  next_block_ = block_;
  std::size_t n = static_cast<std::size_t>(std::max(high - low_ + 1, 0)) * kRecordSize;
  if (!index_->ReadAt(static_cast<uint64_t>(std::max(low_, 0)) * kRecordSize, n, &bytes_).ok()) {
    bytes_.clear();
    failed_ = true;
  }
}

}  // namespace kiroq
