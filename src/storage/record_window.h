// Reading records from the newest down in blocks: a page costs one read of
// the records it shows, not one per record, and never more of the index
// than it needs.
#ifndef KIROQ_STORAGE_RECORD_WINDOW_H_
#define KIROQ_STORAGE_RECORD_WINDOW_H_

#include <string>

#include "platform/env.h"
#include "storage/record.h"

namespace kiroq {

class RecordWindow {
 public:
  // Positions below lowest are never read. The first read takes up to
  // first_block records, later ones up to block records each.
  RecordWindow(File* index, int lowest, int first_block, int block)
      : index_(index), lowest_(lowest), next_block_(first_block), block_(block) {}

  // The record at position p (p >= lowest); false when the index has no
  // whole record there or could not be read (see failed()).
  bool Get(int p, IndexRecord* rec);
  bool failed() const { return failed_; }

 private:
  int Loaded() const { return static_cast<int>(bytes_.size() / kRecordSize); }
  void Load(int high);

  File* index_;
  int lowest_;
  int next_block_;
  int block_;
  std::string bytes_;
  int low_ = 0;
  bool failed_ = false;
};

}  // namespace kiroq

#endif  // KIROQ_STORAGE_RECORD_WINDOW_H_
