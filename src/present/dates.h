// Post dates: the text pages show, coloured by the article's age, and the
// day count that orders articles.
#ifndef KIROQ_PRESENT_DATES_H_
#define KIROQ_PRESENT_DATES_H_

#include <string>

#include "platform/env.h"
#include "storage/record.h"

namespace kiroq {

struct Settings;

// The post date field of the current local time.
DateField MakePostDate(const LocalTime& now);

// The display form of a stored date for TIMETYPE time_type (0..9; others
// give ""). A legacy text date is shown as stored.
std::string DateDisplayText(const DateField& date, int time_type);

// The date as a page shows it: the display form, wrapped in the FONT element
// of its age band when TIMECOLOR is on (age measured against now).
std::string FormatPostDate(const DateField& date, const Settings& settings, const LocalTime& now);

// Days since 1899-12-30 with the time of day as the fraction. Legacy text
// dates are read as "yyyy/mm/dd hh:mm:ss" (also "yy/mm/dd ..."); false when
// the text is not such a date.
bool PostDateToDays(const DateField& date, double* days);

// The same for a LocalTime.
double LocalTimeToDays(const LocalTime& t);

}  // namespace kiroq

#endif  // KIROQ_PRESENT_DATES_H_
