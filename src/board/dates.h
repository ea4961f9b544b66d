// Post dates: the text pages show, coloured by the article's age, and the
// day count that orders articles.
#ifndef KIROQ_BOARD_DATES_H_
#define KIROQ_BOARD_DATES_H_

#include <string>

#include "platform/env.h"
#include "storage/record.h"

namespace kiroq {

// The post date field of the current local time.
DateField MakePostDate(const LocalTime& now);

// The display form of a stored date for TIMETYPE time_type (0..9; others
// give ""). A legacy text date is shown as stored. Plain text: escape it
// before writing it into a page.
std::string DateDisplayText(const DateField& date, int time_type);

// The age band of a post at now, for colouring by age: 0 (within 12 hours)
// to 4 (oldest, or a date that cannot be read).
int DateAgeBand(const DateField& date, int time_type, const LocalTime& now);

// Days since 1899-12-30 with the time of day as the fraction. Legacy text
// dates are read as "yyyy/mm/dd hh:mm:ss" (also "yy/mm/dd ...", 00-49 being
// 2000-2049 and 50-99 1950-1999; the time may be missing or lack seconds);
// false when the text is not such a date, or when a stored 0xFF date holds
// an impossible month, day or time.
bool PostDateToDays(const DateField& date, double* days);

// A Unix time as "yyyy-mm-ddThh:mm:ss", in UTC.
std::string UtcIsoTime(int64_t unix_time);

// A stored 0xFF date as ISO 8601 with the offset of the server's zone at
// that local time (2024-12-08T10:06:40+09:00); "" for a legacy text date
// or an impossible date or time. The offset comes from env's clock rules.
std::string IsoPostDate(Env* env, const DateField& date);
// The post date as an RFC 3339 date-time with the numeric offset of the
// server's zone at that moment ("2024-12-08T10:06:40+09:00"): dates are
// stored as the server's local time, and env's local time gives the offset.
// Legacy text dates are read as PostDateToDays reads them; false, leaving
// *text alone, for a date that cannot be read.
bool PostDateRfc3339(const DateField& date, Env* env, std::string* text);

}  // namespace kiroq

#endif  // KIROQ_BOARD_DATES_H_
