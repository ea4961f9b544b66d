// Post dates: display forms, age colours and day counts.
#include "board/dates.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "text/ascii.h"

namespace kiroq {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
// The age given to a date that cannot be read: old enough for the last band.
constexpr int64_t kUnreadableAgeSeconds = 3650 * kSecondsPerDay;
// Upper age bounds of bands 1-4; a boundary belongs to the younger band.
constexpr int64_t kBandLimits[4] = {kSecondsPerDay / 2, kSecondsPerDay, 3 * kSecondsPerDay, 7 * kSecondsPerDay};

// Days from 1899-12-30 to the given day of the proleptic Gregorian calendar.
int64_t DayNumber(int year, int month, int day) {
  // Counted from 0000-03-01 so that the leap day ends each year.
  const int64_t y = year - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t year_of_era = y - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  constexpr int64_t kDaysTo18991230 = 693899;  // from 0000-03-01
  return era * 146097 + day_of_era - kDaysTo18991230;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool IsValidDate(int year, int month, int day) {
  static constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  return day <= kMonthDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool IsValidTime(int hour, int minute, int second) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

int64_t SecondsOf(int year, int month, int day, int hour, int minute, int second) {
  return DayNumber(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Reads min_digits to max_digits decimal digits at *pos.
bool ReadDigits(std::string_view s, std::size_t* pos, std::size_t min_digits, std::size_t max_digits, int* value) {
  std::size_t i = *pos;
  int v = 0;
  while (i < s.size() && i - *pos < max_digits && s[i] >= '0' && s[i] <= '9') v = v * 10 + (s[i++] - '0');
  if (i - *pos < min_digits) return false;
  *pos = i;
  *value = v;
  return true;
}

bool ReadSeparator(std::string_view s, std::size_t* pos, char separator) {
  if (*pos >= s.size() || s[*pos] != separator) return false;
  ++*pos;
  return true;
}

// Two-digit years: 00-49 are 2000-2049, 50-99 are 1950-1999.
int FullYear(int two_digit_year) { return two_digit_year < 50 ? 2000 + two_digit_year : 1900 + two_digit_year; }

// "yyyy/mm/dd" or "yy/mm/dd" (months and days of one or two digits,
// blanks around allowed) as a day number.
std::optional<int64_t> ParseDate(std::string_view text) {
  text = Trim(text);
  std::size_t pos = 0;
  int year, month, day;
  if (!ReadDigits(text, &pos, 2, 4, &year) || pos == 3) return std::nullopt;
  if (pos == 2) year = FullYear(year);
  if (!ReadSeparator(text, &pos, '/') || !ReadDigits(text, &pos, 1, 2, &month) || !ReadSeparator(text, &pos, '/') ||
      !ReadDigits(text, &pos, 1, 2, &day) || pos != text.size() || !IsValidDate(year, month, day)) {
    return std::nullopt;
  }
  return DayNumber(year, month, day);
}

// "hh:mm:ss" or "hh:mm" (one or two digits each, blanks around allowed) as
// seconds into the day.
std::optional<int64_t> ParseTime(std::string_view text) {
  text = Trim(text);
  std::size_t pos = 0;
  int hour, minute, second = 0;
  if (!ReadDigits(text, &pos, 1, 2, &hour) || !ReadSeparator(text, &pos, ':') ||
      !ReadDigits(text, &pos, 1, 2, &minute)) {
    return std::nullopt;
  }
  if (pos < text.size() && (!ReadSeparator(text, &pos, ':') || !ReadDigits(text, &pos, 1, 2, &second))) {
    return std::nullopt;
  }
  if (pos != text.size() || !IsValidTime(hour, minute, second)) return std::nullopt;
  return hour * 3600 + minute * 60 + second;
}

// Characters first..last (1-based, inclusive) of s, as far as s reaches;
// without last, to the end.
std::string_view Chars(std::string_view s, std::size_t first, std::size_t last = std::string_view::npos) {
  if (first > s.size()) return {};
  return s.substr(first - 1, last == std::string_view::npos ? last : last - first + 1);
}

// The post time read back from the full form, in seconds from 1899-12-30.
// With a display form the date is characters 1-10 and the time 12 on; with
// none, a "/" at the 5th character says the same, anything else a two-digit
// year form (date 1-8, time 10 on).
std::optional<int64_t> PostSeconds(std::string_view full, bool display_empty) {
  const bool four_digit_year = !display_empty || (full.size() >= 5 && full[4] == '/');
  const std::size_t date_end = four_digit_year ? 10 : 8;
  const std::optional<int64_t> day = ParseDate(Chars(full, 1, date_end));
  const std::optional<int64_t> time = ParseTime(Chars(full, date_end + 2));
  if (!day || !time) return std::nullopt;
  return *day * kSecondsPerDay + *time;
}

// "-" for a negative value, then its digits, zeros in front up to digits.
void AppendPadded(int value, std::size_t digits, std::string* out) {
  char buf[12];
  std::size_t n = 0;
  unsigned int v = value < 0 ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (value < 0) *out += '-';
  if (n < digits) out->append(digits - n, '0');
  while (n > 0) *out += buf[--n];
}

// At least `digits` digits, zero-padded; a sign before them.
std::string Padded(int value, std::size_t digits) {
  std::string text;
  AppendPadded(value, digits, &text);
  return text;
}

std::string FullForm(const DateTime& t) {
  return Padded(t.year, 4) + "/" + Padded(t.month, 2) + "/" + Padded(t.day, 2) + " " + Padded(t.hour, 2) + ":" +
         Padded(t.minute, 2) + ":" + Padded(t.second, 2);
}

}  // namespace

DateField MakePostDate(const LocalTime& now) {
  DateTime t;
  t.year = now.year;
  t.month = now.month;
  t.day = now.day;
  t.hour = now.hour;
  t.minute = now.minute;
  t.second = now.second;
  return EncodePostDate(t);
}

std::string DateDisplayText(const DateField& date, int time_type) {
  DateTime t;
  if (!DecodePostDate(date, &t)) return LegacyDateText(date);
  // Written into one buffer: the list pages show a date on every row.
  // Types 0-2 show the year in four digits, 3-5 in two, 6-9 none; 0-7 the
  // month and day; all but 2 and 5 the time, with seconds in 0, 3, 6 and 8.
  std::string out;
  if (time_type < 0 || time_type > 9) return out;
  out.reserve(24);
  auto put = [&out](int value, std::size_t digits) { AppendPadded(value, digits, &out); };
  if (time_type <= 2) {
    put(t.year, 4);
    out += '/';
  } else if (time_type <= 5) {
    put(t.year >= 2000 ? t.year - 2000 : t.year - 1900, 2);
    out += '/';
  }
  if (time_type <= 7) {
    put(t.month, 2);
    out += '/';
    put(t.day, 2);
  }
  if (time_type != 2 && time_type != 5) {
    if (time_type <= 7) out += ' ';
    put(t.hour, 2);
    out += ':';
    put(t.minute, 2);
    if (time_type == 0 || time_type == 3 || time_type == 6 || time_type == 8) {
      out += ':';
      put(t.second, 2);
    }
  }
  return out;
}

int DateAgeBand(const DateField& date, int time_type, const LocalTime& now) {
  DateTime t;
  const std::string full = DecodePostDate(date, &t) ? FullForm(t) : LegacyDateText(date);
  const std::optional<int64_t> posted = PostSeconds(full, DateDisplayText(date, time_type).empty());
  const int64_t age = posted ? SecondsOf(now.year, now.month, now.day, now.hour, now.minute, now.second) - *posted
                             : kUnreadableAgeSeconds;
  for (int band = 0; band < 4; ++band) {
    if (age <= kBandLimits[band]) return band;
  }
  return 4;
}

namespace {

// The post time in seconds from 1899-12-30, local time; nullopt when the
// date cannot be read.
std::optional<int64_t> PostLocalSeconds(const DateField& date) {
  DateTime t;
  if (DecodePostDate(date, &t)) {
    if (!IsValidDate(t.year, t.month, t.day) || !IsValidTime(t.hour, t.minute, t.second)) return std::nullopt;
    return SecondsOf(t.year, t.month, t.day, t.hour, t.minute, t.second);
  }
  // Legacy text: a date, then optionally a blank and a time.
  const std::string text = LegacyDateText(date);
  const std::string_view trimmed = Trim(text);
  const std::size_t blank = trimmed.find(' ');
  const std::optional<int64_t> day = ParseDate(trimmed.substr(0, blank));
  std::optional<int64_t> time = 0;
  if (blank != std::string_view::npos) time = ParseTime(trimmed.substr(blank));
  if (!day || !time) return std::nullopt;
  return *day * kSecondsPerDay + *time;
}

// Seconds from 1899-12-30 to 1970-01-01.
constexpr int64_t kUnixEpoch = 25569 * kSecondsPerDay;

// "yyyy-mm-ddThh:mm:ss" of seconds from 1899-12-30.
std::string IsoDateTime(int64_t seconds) {
  int64_t days = seconds / kSecondsPerDay, rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  // Civil date from a day count (proleptic Gregorian), counted from
  // 0000-03-01.
  const int64_t z = days + 693899;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  const int hms = static_cast<int>(rest);
  return Padded(year, 4) + "-" + Padded(month, 2) + "-" + Padded(day, 2) + "T" + Padded(hms / 3600, 2) + ":" +
         Padded(hms / 60 % 60, 2) + ":" + Padded(hms % 60, 2);
}

// The local time of a Unix time, in seconds from 1970-01-01 as if it were UTC.
int64_t LocalAsUnix(Env* env, int64_t unix_time) {
  const LocalTime t = env->ToLocal(unix_time);
  return SecondsOf(t.year, t.month, t.day, t.hour, t.minute, t.second) - kUnixEpoch;
}

}  // namespace

std::string UtcIsoTime(int64_t unix_time) { return IsoDateTime(unix_time + kUnixEpoch); }

bool PostDateToDays(const DateField& date, double* days) {
  const std::optional<int64_t> seconds = PostLocalSeconds(date);
  if (!seconds) return false;
  *days = static_cast<double>(*seconds) / kSecondsPerDay;
  return true;
}

bool PostDateRfc3339(const DateField& date, Env* env, std::string* text) {
  const std::optional<int64_t> seconds = PostLocalSeconds(date);
  if (!seconds) return false;
  // The offset in force at the moment whose local time this is: guessed from
  // the local time read as UTC, then checked at the moment that guess gives
  // and at the moment the result of that gives. A local time skipped when
  // the offset grew finds the two offsets in turn; it keeps the one from
  // before the change, in force at the earlier of the two moments.
  const int64_t local = *seconds - kUnixEpoch;
  auto offset_at = [&](int64_t moment) { return LocalAsUnix(env, moment) - moment; };
  const int64_t first = offset_at(local - offset_at(local));
  const int64_t second = offset_at(local - first);
  const int64_t offset = first == second ? first : offset_at(local - std::max(first, second));
  const int64_t minutes = (offset < 0 ? -offset : offset) / 60;
  *text = IsoDateTime(*seconds) + (offset < 0 ? "-" : "+") + Padded(static_cast<int>(minutes / 60), 2) + ":" +
          Padded(static_cast<int>(minutes % 60), 2);
  return true;
}

std::string IsoPostDate(Env* env, const DateField& date) {
  DateTime t;
  std::string text;
  if (!DecodePostDate(date, &t) || !PostDateRfc3339(date, env, &text)) return "";
  return text;
}

}  // namespace kiroq
