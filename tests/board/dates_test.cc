#include "board/dates.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "board/settings.h"
#include "html/post_date.h"
#include "test_env.h"

namespace kiroq {
namespace {

DateField Posted(int year, int month, int day, int hour, int minute, int second) {
  return MakePostDate(LocalTime{year, month, day, hour, minute, second});
}

DateField Legacy(std::string_view text) {
  DateField f{};
  f[0] = static_cast<uint8_t>(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) f[1 + i] = static_cast<uint8_t>(text[i]);
  return f;
}

Settings Coloured(int time_type) {
  Settings s;
  s.time_type = time_type;
  s.time_color = 1;
  for (int i = 0; i < 5; ++i) s.time_colors[i] = "c" + std::to_string(i + 1);
  return s;
}

TEST(MakePostDate, WritesMarkerAndBigEndianFields) {
  const DateField f = Posted(2001, 3, 4, 5, 6, 7);
  const uint8_t expected[13] = {0xFF, 0x07, 0xD1, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(f[i], expected[i]) << "byte " << i;
  for (std::size_t i = 13; i < f.size(); ++i) EXPECT_EQ(f[i], 0) << "byte " << i;
}

TEST(DateDisplayText, EveryTimeType) {
  const DateField d = Posted(2001, 3, 4, 5, 6, 7);
  const char* const expected[] = {"2001/03/04 05:06:07",
                                  "2001/03/04 05:06",
                                  "2001/03/04",
                                  "01/03/04 05:06:07",
                                  "01/03/04 05:06",
                                  "01/03/04",
                                  "03/04 05:06:07",
                                  "03/04 05:06",
                                  "05:06:07",
                                  "05:06"};
  for (int type = 0; type <= 9; ++type) EXPECT_EQ(DateDisplayText(d, type), expected[type]) << "TIMETYPE " << type;
  EXPECT_EQ(DateDisplayText(d, 10), "");
  EXPECT_EQ(DateDisplayText(d, 12), "");
  EXPECT_EQ(DateDisplayText(d, -1), "");
}

TEST(DateDisplayText, TwoDigitYears) {
  EXPECT_EQ(DateDisplayText(Posted(1999, 12, 31, 23, 59, 59), 3), "99/12/31 23:59:59");
  EXPECT_EQ(DateDisplayText(Posted(2001, 1, 1, 0, 0, 0), 5), "01/01/01");
  EXPECT_EQ(DateDisplayText(Posted(2010, 10, 10, 10, 10, 10), 4), "10/10/10 10:10");
  EXPECT_EQ(DateDisplayText(Posted(2000, 1, 2, 3, 4, 5), 5), "00/01/02");
}

// Every field of a stored date is 0..65535: over random fields, years before
// 1900 and 2000, and numbers wider than their columns, each time type reads
// as its pieces joined: "-" and the digits of a negative number, zeros in
// front up to the column's width.
TEST(DateDisplayText, EveryFieldValueUnderEveryTimeType) {
  auto padded = [](int v, std::size_t width) {
    std::string digits = std::to_string(v < 0 ? -v : v);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return (v < 0 ? "-" : "") + digits;
  };
  std::mt19937 rng(11);
  for (int round = 0; round < 2000; ++round) {
    int f[6];
    for (int& v : f) v = static_cast<int>(rng() % (round % 3 == 0 ? 65536 : 130));
    if (round % 3 == 1) f[0] = 1850 + static_cast<int>(rng() % 300);
    const std::string yyyy = padded(f[0], 4), yy = padded(f[0] >= 2000 ? f[0] - 2000 : f[0] - 1900, 2),
                      md = padded(f[1], 2) + "/" + padded(f[2], 2), hm = padded(f[3], 2) + ":" + padded(f[4], 2),
                      hms = hm + ":" + padded(f[5], 2);
    const std::string expected[] = {yyyy + "/" + md + " " + hms,
                                    yyyy + "/" + md + " " + hm,
                                    yyyy + "/" + md,
                                    yy + "/" + md + " " + hms,
                                    yy + "/" + md + " " + hm,
                                    yy + "/" + md,
                                    md + " " + hms,
                                    md + " " + hm,
                                    hms,
                                    hm};
    const DateField d = Posted(f[0], f[1], f[2], f[3], f[4], f[5]);
    for (int type = 0; type <= 9; ++type) EXPECT_EQ(DateDisplayText(d, type), expected[type]) << type;
  }
}

TEST(DateDisplayText, LegacyTextIsShownAsStoredUnderEveryTimeType) {
  for (int type = 0; type <= 12; ++type) {
    EXPECT_EQ(DateDisplayText(Legacy("1999/12/31 23:59:59"), type), "1999/12/31 23:59:59");
    EXPECT_EQ(DateDisplayText(Legacy("99/12/31 23:59:59"), type), "99/12/31 23:59:59");
  }
}

// Post time 2001-03-04 05:06:07; now given as an offset in seconds.
std::string FormatAged(int age_days, int age_seconds, int time_type = 0) {
  const LocalTime post{2001, 3, 4, 5, 6, 7};
  int64_t s = post.hour * 3600 + post.minute * 60 + post.second + age_seconds;
  LocalTime now{2001, 3, 4 + age_days + static_cast<int>(s / 86400), 0, 0, 0};
  s %= 86400;
  now.hour = static_cast<int>(s / 3600);
  now.minute = static_cast<int>(s / 60 % 60);
  now.second = static_cast<int>(s % 60);
  return FormatPostDate(Posted(2001, 3, 4, 5, 6, 7), Coloured(time_type), now).bytes();
}

TEST(FormatPostDate, BoundariesFallInTheYoungerBand) {
  const std::string d = "2001/03/04 05:06:07";
  EXPECT_EQ(FormatAged(0, 0), "<FONT COLOR=\"c1\"><B>" + d + "</B></FONT>");
  EXPECT_EQ(FormatAged(0, 12 * 3600), "<FONT COLOR=\"c1\"><B>" + d + "</B></FONT>");
  EXPECT_EQ(FormatAged(0, 12 * 3600 + 1), "<FONT COLOR=\"c2\">" + d + "</FONT>");
  EXPECT_EQ(FormatAged(1, 0), "<FONT COLOR=\"c2\">" + d + "</FONT>");
  EXPECT_EQ(FormatAged(1, 1), "<FONT COLOR=\"c3\">" + d + "</FONT>");
  EXPECT_EQ(FormatAged(3, 0), "<FONT COLOR=\"c3\">" + d + "</FONT>");
  EXPECT_EQ(FormatAged(3, 1), "<FONT COLOR=\"c4\">" + d + "</FONT>");
  EXPECT_EQ(FormatAged(7, 0), "<FONT COLOR=\"c4\">" + d + "</FONT>");
  EXPECT_EQ(FormatAged(7, 1), "<FONT COLOR=\"c5\">" + d + "</FONT>");
  EXPECT_EQ(FormatAged(400, 0), "<FONT COLOR=\"c5\">" + d + "</FONT>");
}

TEST(FormatPostDate, FutureTimeIsNewestBand) {
  EXPECT_EQ(FormatPostDate(Posted(2001, 3, 4, 5, 6, 7), Coloured(9), LocalTime{2001, 3, 4, 5, 6, 6}),
            "<FONT COLOR=\"c1\"><B>05:06</B></FONT>");
}

TEST(FormatPostDate, AgeCountsAcrossMonthsYearsAndLeapDays) {
  const Settings s = Coloured(2);
  // 1 day 11:59:59 through 29 February 2000.
  EXPECT_EQ(FormatPostDate(Posted(2000, 2, 28, 23, 0, 0), s, LocalTime{2000, 3, 1, 10, 59, 59}),
            "<FONT COLOR=\"c3\">2000/02/28</FONT>");
  // Exactly 12 hours across the new year.
  EXPECT_EQ(FormatPostDate(Posted(1999, 12, 31, 23, 59, 59), s, LocalTime{2000, 1, 1, 11, 59, 59}),
            "<FONT COLOR=\"c1\"><B>1999/12/31</B></FONT>");
}

TEST(FormatPostDate, TimeColorOffWritesNoFontElement) {
  Settings s = Coloured(1);
  s.time_color = 0;
  EXPECT_EQ(FormatPostDate(Posted(2001, 3, 4, 5, 6, 7), s, LocalTime{2001, 3, 4, 5, 6, 7}), "2001/03/04 05:06");
  s.time_type = 12;
  EXPECT_EQ(FormatPostDate(Posted(2001, 3, 4, 5, 6, 7), s, LocalTime{2001, 3, 4, 5, 6, 7}), "");
}

TEST(FormatPostDate, EmptyDisplayStillColouredByTrueAge) {
  EXPECT_EQ(FormatAged(2, 0, 12), "<FONT COLOR=\"c3\"></FONT>");
  EXPECT_EQ(FormatAged(0, 60, 12), "<FONT COLOR=\"c1\"><B></B></FONT>");
}

TEST(FormatPostDate, DefaultColoursAreWhite) {
  Settings s;
  s.time_color = 1;
  EXPECT_EQ(FormatPostDate(Posted(2001, 3, 4, 5, 6, 7), s, LocalTime{2001, 3, 5, 5, 6, 7}),
            "<FONT COLOR=\"WHITE\">2001/03/04 05:06:07</FONT>");
}

TEST(FormatPostDate, LegacyDates) {
  const LocalTime now{2000, 1, 1, 11, 59, 59};
  // Shown as stored under any TIMETYPE, coloured by its true age.
  EXPECT_EQ(FormatPostDate(Legacy("1999/12/31 23:59:59"), Coloured(5), now),
            "<FONT COLOR=\"c1\"><B>1999/12/31 23:59:59</B></FONT>");
  EXPECT_EQ(FormatPostDate(Legacy("1999/12/31 23:59:59"), Coloured(12), LocalTime{2000, 1, 1, 12, 0, 0}),
            "<FONT COLOR=\"c2\">1999/12/31 23:59:59</FONT>");
  // A two-digit year: characters 1-10 are no date, so the oldest band.
  for (int type : {0, 3, 12}) {
    EXPECT_EQ(FormatPostDate(Legacy("99/12/31 23:59:59"), Coloured(type), now),
              "<FONT COLOR=\"c5\">99/12/31 23:59:59</FONT>");
  }
}

TEST(FormatPostDate, UnreadableDatesTakeTheOldestBand) {
  const LocalTime now{2001, 3, 4, 5, 6, 7};
  EXPECT_EQ(FormatPostDate(Posted(2001, 13, 4, 5, 6, 7), Coloured(0), now),
            "<FONT COLOR=\"c5\">2001/13/04 05:06:07</FONT>");
  EXPECT_EQ(FormatPostDate(Posted(2001, 2, 29, 5, 6, 7), Coloured(2), now), "<FONT COLOR=\"c5\">2001/02/29</FONT>");
  EXPECT_EQ(FormatPostDate(Posted(2001, 3, 4, 24, 0, 0), Coloured(2), now), "<FONT COLOR=\"c5\">2001/03/04</FONT>");
  EXPECT_EQ(FormatPostDate(Legacy("yesterday"), Coloured(0), now), "<FONT COLOR=\"c5\">yesterday</FONT>");
  EXPECT_EQ(FormatPostDate(Legacy("1999/12/31"), Coloured(0), now), "<FONT COLOR=\"c5\">1999/12/31</FONT>");
  EXPECT_EQ(FormatPostDate(Legacy(""), Coloured(0), now), "<FONT COLOR=\"c5\"></FONT>");
}

TEST(FormatPostDate, LegacyTextIsEscaped) {
  Settings s;
  EXPECT_EQ(FormatPostDate(Legacy("<B>&"), s, LocalTime{2001, 3, 4, 5, 6, 7}), "&lt;B&gt;&amp;");
}

TEST(PostDateToDays, CountsFromTheLastDaysOf1899) {
  double days = -1;
  ASSERT_TRUE(PostDateToDays(Posted(1899, 12, 30, 0, 0, 0), &days));
  EXPECT_EQ(days, 0.0);
  ASSERT_TRUE(PostDateToDays(Posted(1900, 3, 1, 0, 0, 0), &days));
  EXPECT_EQ(days, 61.0);  // 1900 has no 29 February
  ASSERT_TRUE(PostDateToDays(Posted(2001, 3, 4, 12, 0, 0), &days));
  EXPECT_EQ(days, 36954.5);
  ASSERT_TRUE(PostDateToDays(Posted(2000, 2, 29, 6, 0, 0), &days));
  EXPECT_EQ(days, 36585.25);
}

TEST(PostDateToDays, LegacyTextForms) {
  double days = 0;
  ASSERT_TRUE(PostDateToDays(Legacy("1999/12/31 23:59:59"), &days));
  EXPECT_DOUBLE_EQ(days, 36525 + 86399.0 / 86400);
  ASSERT_TRUE(PostDateToDays(Legacy("99/12/31 23:59:59"), &days));
  EXPECT_DOUBLE_EQ(days, 36525 + 86399.0 / 86400);
  ASSERT_TRUE(PostDateToDays(Legacy("01/03/04 12:00:00"), &days));
  EXPECT_EQ(days, 36954.5);
  ASSERT_TRUE(PostDateToDays(Legacy("2001/3/4"), &days));
  EXPECT_EQ(days, 36954.0);
}

TEST(PostDateToDays, FalseForWhatIsNoDate) {
  double days = 0;
  EXPECT_FALSE(PostDateToDays(Legacy(""), &days));
  EXPECT_FALSE(PostDateToDays(Legacy("hello"), &days));
  EXPECT_FALSE(PostDateToDays(Legacy("2001/02/29 00:00:00"), &days));
  EXPECT_FALSE(PostDateToDays(Legacy("2001/03/04 24:00:00"), &days));
  EXPECT_FALSE(PostDateToDays(Legacy("2001/03/04 12:00:00 x"), &days));
  EXPECT_FALSE(PostDateToDays(Legacy("201/03/04"), &days));
  EXPECT_FALSE(PostDateToDays(Posted(2001, 0, 4, 0, 0, 0), &days));
  EXPECT_FALSE(PostDateToDays(Posted(2001, 3, 4, 0, 60, 0), &days));
}

// A zone an hour ahead of UTC that moves to two hours ahead at 2024-03-31
// 01:00 UTC, as a European summer time does.
class SummerEnv : public FakeEnv {
 public:
  LocalTime ToLocal(int64_t unix_time) override {
    utc_offset_seconds = unix_time >= 1711846800 ? 7200 : 3600;
    return FakeEnv::ToLocal(unix_time);
  }
};

TEST(PostDateRfc3339, LocalTimeWithTheOffsetOfItsMoment) {
  FakeEnv japan;
  FakeEnv west;
  west.utc_offset_seconds = -(3 * 3600 + 30 * 60);
  SummerEnv summer;
  struct Case {
    Env* env;
    DateField date;
    const char* want;
  } cases[] = {
      {&japan, Posted(2024, 12, 1, 10, 20, 30), "2024-12-01T10:20:30+09:00"},
      {&japan, Posted(2000, 2, 29, 0, 0, 0), "2000-02-29T00:00:00+09:00"},
      {&japan, Legacy("01/03/04 12:00"), "2001-03-04T12:00:00+09:00"},
      {&japan, Legacy(" 1999/12/31 "), "1999-12-31T00:00:00+09:00"},
      {&west, Posted(2024, 1, 1, 0, 0, 5), "2024-01-01T00:00:05-03:30"},
      {&summer, Posted(2024, 3, 31, 1, 59, 59), "2024-03-31T01:59:59+01:00"},
      {&summer, Posted(2024, 3, 31, 3, 0, 0), "2024-03-31T03:00:00+02:00"},
      {&summer, Posted(2024, 3, 31, 2, 30, 0), "2024-03-31T02:30:00+01:00"},  // skipped: the offset before
      {&summer, Posted(2024, 7, 1, 12, 0, 0), "2024-07-01T12:00:00+02:00"},
  };
  for (const Case& c : cases) {
    std::string text;
    EXPECT_TRUE(PostDateRfc3339(c.date, c.env, &text)) << c.want;
    EXPECT_EQ(text, c.want);
  }
  std::string text = "kept";
  EXPECT_FALSE(PostDateRfc3339(Legacy("hello"), &japan, &text));
  EXPECT_FALSE(PostDateRfc3339(Posted(2001, 2, 29, 0, 0, 0), &japan, &text));
  EXPECT_EQ(text, "kept");
}

}  // namespace
}  // namespace kiroq

namespace kiroq {
namespace {

TEST(UtcIsoTime, UnixTimesAsUtc) {
  EXPECT_EQ(UtcIsoTime(0), "1970-01-01T00:00:00");
  EXPECT_EQ(UtcIsoTime(1733620000), "2024-12-08T01:06:40");
  EXPECT_EQ(UtcIsoTime(951782400), "2000-02-29T00:00:00");
  EXPECT_EQ(UtcIsoTime(-1), "1969-12-31T23:59:59");
}

}  // namespace
}  // namespace kiroq
