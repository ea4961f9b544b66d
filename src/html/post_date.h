// Post dates as pages show them.
#ifndef KIROQ_HTML_POST_DATE_H_
#define KIROQ_HTML_POST_DATE_H_

#include "cgi/html.h"
#include "platform/env.h"
#include "storage/record.h"

namespace kiroq {

struct Settings;

// The date as a page shows it: the display form, wrapped in the FONT element
// of its age band when TIMECOLOR is on (age measured against now). Markup:
// a legacy text date is HTML-escaped here, the colours are not.
Html FormatPostDate(const DateField& date, const Settings& settings, const LocalTime& now);
// The same, asking env for the time only when TIMECOLOR needs it.
Html FormatPostDate(const DateField& date, const Settings& settings, Env* env);

}  // namespace kiroq

#endif  // KIROQ_HTML_POST_DATE_H_
