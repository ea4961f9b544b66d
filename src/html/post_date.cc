#include "html/post_date.h"

#include "board/dates.h"
#include "board/settings.h"
#include "cgi/html.h"

namespace kiroq {

Html FormatPostDate(const DateField& date, const Settings& settings, const LocalTime& now) {
  // Legacy dates are record text: escaped like any other.
  const Html display = EscapeText(DateDisplayText(date, settings.time_type));
  if (settings.time_color == 0) return display;
  const int band = DateAgeBand(date, settings.time_type, now);
  const Html colour = Html::Trusted(settings.time_colors[band]);
  if (band == 0) return "<FONT COLOR=\"" + colour + "\"><B>" + display + "</B></FONT>";
  return "<FONT COLOR=\"" + colour + "\">" + display + "</FONT>";
}

Html FormatPostDate(const DateField& date, const Settings& settings, Env* env) {
  return FormatPostDate(date, settings, settings.time_color == 0 ? LocalTime{} : env->Now());
}

}  // namespace kiroq
