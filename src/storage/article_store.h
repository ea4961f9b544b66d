// Reading and writing articles in an open log and index.
//
// Callers open the files themselves (OpenWithRetry, with the mode the
// operation needs) and hold them for the operation; these functions only
// move bytes. Article number n is record position n - 1.
#ifndef KIROQ_STORAGE_ARTICLE_STORE_H_
#define KIROQ_STORAGE_ARTICLE_STORE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/env.h"
#include "storage/record.h"

namespace kiroq {

// Index size div 1267; a partial record at the end is not counted.
Status ArticleCount(File* index, int* count);

// The raw 1267 bytes of the record at position; NotFound when the index has
// no whole record there.
Status ReadRecordBytes(File* index, int position, std::string* bytes);
Status ReadRecord(File* index, int position, IndexRecord* rec);
Status WriteRecordBytes(File* index, int position, std::string_view bytes);

// The bytes log[body_start .. body_end]. A record whose offsets lie outside
// the log, or are reversed, reads as an empty body.
Status ReadBody(File* log, const IndexRecord& rec, std::string* body);
// The same against a size of the log taken before: the log only grows, and
// a record's body was written before the record, so pages reading many
// bodies ask for the size once.
Status ReadBodyWithin(File* log, uint64_t log_size, const IndexRecord& rec, std::string* body);

// Appends body at the end of the log (opened kWriteShared) and reports the
// offsets of its first and last byte. Refused when the log would outgrow
// the 32-bit offsets of the index.
Status AppendBody(File* log, std::string_view body, int32_t* start, int32_t* end);

// Appends rec to the index (opened kWriteExclusive) as record C, C being the
// article count, and links it to its parent (article number rec.parent,
// when that is 1..C) by adding C to the parent's child list. The record is
// written first, so a writer cut short never leaves a parent pointing at a
// record that does not exist. A parent whose list is full keeps its list;
// the reply is found through its parent number. A parent number outside
// 1..C is stored as 0: the post becomes a thread top. Before appending, a
// newest record left out of its parent's list (its writer was stopped in
// between) is linked. *position receives C.
Status AppendRecord(File* index, const IndexRecord& rec, int* position);

}  // namespace kiroq

#endif  // KIROQ_STORAGE_ARTICLE_STORE_H_
