// Conversion between Unix-time texts, DateTime values and local date-time texts.
// The seconds paths treat local time as eight hours ahead of UTC whatever the
// machine's time zone: the Unix epoch is 1970-01-01 08:00:00 local time.
#pragma once

#include <locale>
#include <optional>

#include "util/text.h"

namespace vidlark {

// Days since 1899-12-30 00:00, the fraction being the time of day.
using DateTime = double;

struct CalendarFields {
  int year = 0;
  int month = 0;
  int dayOfWeek = 0;  // 0 Sunday .. 6 Saturday
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Breaks a DateTime into calendar fields, rounded to the millisecond so that no
// second is lost to floating-point error. Fails outside the years 100 to 9999.
bool DateTimeToCalendar(DateTime time, CalendarFields& fields);
DateTime CalendarToDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// The current local date and time in whole seconds.
DateTime CurrentLocalDateTime();

// "1504681200" gives "2017-9-06 15:00:00" (24-hour clock); a text of any other
// length is read as milliseconds in the machine's local time ("2017-9-6 15:00:00").
Text TimestampToText(const Text& timestamp);

// Unix-time text of `time` (absent: now): thirteen digits, or the first ten
// characters with `tenDigits`.
Text DateTimeToTimestamp(std::optional<DateTime> time = std::nullopt, bool tenDigits = false);

// The date part and the time part of `time` written with the pictures
// (yyyy, yy, M, MM, d, dd for dates; H, HH, h, hh, m, mm, s, ss for times; every
// other character literal). A picture shorter than three bytes writes nothing.
Text FormatDateTime(DateTime time, const Text& datePicture, const Text& timePicture);

// Whether the user's time locale writes times on a 24-hour clock.
bool UsesTwentyFourHourClock();
bool LocaleUsesTwentyFourHourClock(const std::locale& locale);

// Replaces the reading of the user's locale (nullptr restores it), so that both
// answers can be exercised on any machine.
using ClockLocaleReader = bool (*)();
void SetClockLocaleReader(ClockLocaleReader reader);

}  // namespace vidlark
