#include "storage/article_store.h"

#include <limits>

namespace kiroq {

Status ArticleCount(File* index, int* count) {
  uint64_t size = 0;
  Status s = index->Size(&size);
  if (!s.ok()) return s;
  uint64_t n = size / kRecordSize;
  if (n > static_cast<uint64_t>(std::numeric_limits<int>::max())) n = std::numeric_limits<int>::max();
  *count = static_cast<int>(n);
  return Status::OK();
}

Status ReadRecordBytes(File* index, int position, std::string* bytes) {
  if (position < 0) return Status::NotFound("record position below 0");
  Status s = index->ReadAt(static_cast<uint64_t>(position) * kRecordSize, kRecordSize, bytes);
  if (!s.ok()) return s;
  if (bytes->size() != kRecordSize) return Status::NotFound("no record at position " + std::to_string(position));
  return Status::OK();
}

Status ReadRecord(File* index, int position, IndexRecord* rec) {
  std::string bytes;
  Status s = ReadRecordBytes(index, position, &bytes);
  if (s.ok()) DecodeRecord(bytes, rec);
  return s;
}

Status WriteRecordBytes(File* index, int position, std::string_view bytes) {
  return index->WriteAt(static_cast<uint64_t>(position) * kRecordSize, bytes);
}

namespace {
// True when the record's offsets name a range inside a log of log_size bytes.
bool BodyInside(const IndexRecord& rec, uint64_t log_size) {
  return rec.body_start >= 0 && rec.body_end >= rec.body_start && static_cast<uint64_t>(rec.body_end) < log_size;
}
}  // namespace

Status ReadBody(File* log, const IndexRecord& rec, std::string* body) {
  body->clear();
  uint64_t size = 0;
  Status s = log->Size(&size);
  if (!s.ok()) return s;
  return ReadBodyWithin(log, size, rec, body);
}

Status ReadBodyWithin(File* log, uint64_t log_size, const IndexRecord& rec, std::string* body) {
  body->clear();
  if (!BodyInside(rec, log_size)) return Status::OK();
  return log->ReadAt(static_cast<uint64_t>(rec.body_start),
                     static_cast<std::size_t>(rec.body_end) - static_cast<std::size_t>(rec.body_start) + 1, body);
}

Status AppendBody(File* log, std::string_view body, int32_t* start, int32_t* end) {
  uint64_t size = 0;
  Status s = log->Size(&size);
  if (!s.ok()) return s;
  if (size + body.size() > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
    return Status::IOError("the log is full");
  }
  s = log->WriteAt(size, body);
  if (!s.ok()) return s;
  *start = static_cast<int32_t>(size);
  *end = static_cast<int32_t>(size + body.size()) - 1;
  return Status::OK();
}

namespace {

// True when the child list in parent's bytes holds child.
bool ListsChild(std::string_view parent, int32_t child) {
  int32_t n = GetInt32(parent, record_layout::kChildCount);
  if (n > kMaxChildren) n = kMaxChildren;
  for (int32_t k = 0; k < n; ++k) {
    if (GetInt32(parent, record_layout::kChildren + 4 * static_cast<std::size_t>(k)) == child) return true;
  }
  return false;
}

// Links the record at position into its parent's child list unless it is
// there already (or the list is full).
Status LinkToParent(File* index, int position, int32_t parent_number) {
  if (parent_number < 1 || parent_number > position) return Status::OK();
  std::string parent;
  Status s = ReadRecordBytes(index, parent_number - 1, &parent);
  if (!s.ok() || ListsChild(parent, position)) return s;
  if (!AddChild(&parent, position)) return Status::OK();
  return WriteRecordBytes(index, parent_number - 1, parent);
}

}  // namespace

Status AppendRecord(File* index, const IndexRecord& rec, int* position) {
  int count = 0;
  Status s = ArticleCount(index, &count);
  if (!s.ok()) return s;
  if (count > 0) {
    // A writer stopped between writing its record and linking it leaves the
    // newest record out of its parent's list; every append mends that.
    std::string last;
    s = ReadRecordBytes(index, count - 1, &last);
    if (s.ok()) s = LinkToParent(index, count - 1, GetInt32(last, record_layout::kParent));
    if (!s.ok()) return s;
  }
  const bool reply = rec.parent >= 1 && rec.parent <= count;
  IndexRecord stored = rec;
  if (!reply) stored.parent = 0;  // no such parent: the post becomes a thread top
  // At count x 1267, not at the end: a record cut short by an earlier
  // writer is overwritten rather than shifting every later record.
  s = WriteRecordBytes(index, count, EncodeRecord(stored));
  if (!s.ok()) return s;
  *position = count;
  if (reply) s = LinkToParent(index, count, rec.parent);
  return s;
}

}  // namespace kiroq
