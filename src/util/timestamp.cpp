#include "util/timestamp.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <ctime>
#include <sstream>

namespace vidlark {
namespace {

constexpr long long kMillisecondsPerDay = 86400000LL;
constexpr int kDaysFrom1899To1970 = 25569;
// The oldest and newest DateTime the calendar conversion accepts: years 100 to 9999.
constexpr double kOldestDateTime = -657434.0;
constexpr double kNewestDateTime = 2958466.0;

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

long long DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yoe = year - era * 400;
  const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

DateTime Epoch() { return CalendarToDateTime(1970, 1, 1, 8, 0, 0); }

Text TwoDigits(int value) {
  Text text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

// Writes one picture; `letters` are the picture letters this part interprets.
Text WritePicture(const Text& picture, const CalendarFields& f, std::string_view letters) {
  Text out;
  size_t pos = 0;
  while (pos < picture.size()) {
    char letter = picture[pos];
    size_t run = 1;
    while (pos + run < picture.size() && picture[pos + run] == letter) ++run;
    if (letters.find(letter) == std::string_view::npos) {
      out.append(picture, pos, run);
      pos += run;
      continue;
    }
    int hour12 = f.hour % 12 == 0 ? 12 : f.hour % 12;
    auto number = [&](int value) { out += run >= 2 ? TwoDigits(value) : std::to_string(value); };
    switch (letter) {
      case 'y':
        if (run >= 3) {
          out += std::to_string(f.year);
        } else {
          number(f.year % 100);
        }
        break;
      case 'M': number(f.month); break;
      case 'd': number(f.day); break;
      case 'H': number(f.hour); break;
      case 'h': number(hour12); break;
      case 'm': number(f.minute); break;
      case 's': number(f.second); break;
      default: break;
    }
    pos += run;
  }
  // The platform writes each part into a buffer of 50 bytes; a longer one fails.
  return out.size() < 50 ? out : Text();
}

bool IsJsWhiteSpace(std::string_view text, size_t pos, size_t& length) {
  static const std::string_view kAscii = " \t\n\v\f\r";
  if (kAscii.find(text[pos]) != std::string_view::npos) {
    length = 1;
    return true;
  }
  // The full-width space, U+3000, is white space to the script language too.
  if (pos + 1 < text.size() && static_cast<unsigned char>(text[pos]) == 0xA1 &&
      static_cast<unsigned char>(text[pos + 1]) == 0xA1) {
    length = 2;
    return true;
  }
  return false;
}

std::string_view TrimJsWhiteSpace(std::string_view text) {
  size_t length = 0;
  while (!text.empty() && IsJsWhiteSpace(text, 0, length)) text.remove_prefix(length);
  // Trailing white space: only single-byte characters can be trusted from the end.
  while (!text.empty() && std::string_view(" \t\n\v\f\r").find(text.back()) != std::string_view::npos) {
    text.remove_suffix(1);
  }
  if (text.size() >= 2 && static_cast<unsigned char>(text[text.size() - 1]) == 0xA1 &&
      static_cast<unsigned char>(text[text.size() - 2]) == 0xA1) {
    return TrimJsWhiteSpace(text.substr(0, text.size() - 2));
  }
  return text;
}

std::optional<double> ParseRadixInteger(std::string_view digits, int radix) {
  if (digits.empty()) return std::nullopt;
  double value = 0;
  for (char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0 || digit >= radix) return std::nullopt;
    value = value * radix + digit;
  }
  return value;
}

bool IsDecimalLiteral(std::string_view s) {
  size_t i = 0;
  auto digits = [&] {
    size_t from = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i - from;
  };
  size_t whole = digits();
  size_t fraction = 0;
  if (i < s.size() && s[i] == '.') {
    ++i;
    fraction = digits();
  }
  if (whole == 0 && fraction == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == s.size();
}

// The script language's Number() of a string: white space around is ignored, a
// blank text is 0, and anything that is not a numeric literal gives no number.
std::optional<double> ParseScriptNumber(std::string_view text) {
  std::string_view s = TrimJsWhiteSpace(text);
  if (s.empty()) return 0.0;
  if (s.size() > 2 && s[0] == '0') {
    char kind = static_cast<char>(s[1] | 0x20);
    if (kind == 'x') return ParseRadixInteger(s.substr(2), 16);
    if (kind == 'o') return ParseRadixInteger(s.substr(2), 8);
    if (kind == 'b') return ParseRadixInteger(s.substr(2), 2);
  }
  double sign = 1;
  if (s[0] == '+' || s[0] == '-') {
    sign = s[0] == '-' ? -1 : 1;
    s.remove_prefix(1);
  }
  if (s == "Infinity") return sign * HUGE_VAL;
  if (!IsDecimalLiteral(s)) return std::nullopt;
  Text digits(s.front() == '.' ? "0" + Text(s) : Text(s));
  double value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error == std::errc::result_out_of_range) {
    value = digits.find_first_of("123456789") == Text::npos ? 0.0 : HUGE_VAL;
  } else if (error != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return sign * value;
}

// The date text of a millisecond Unix time in the machine's local time, in the
// form the script language's dates give (day and month without leading zeros).
Text MillisecondsToLocalText(double milliseconds) {
  // Dates end 8.64e15 ms either side of the epoch; beyond that they are invalid.
  if (!std::isfinite(milliseconds) || std::fabs(milliseconds) > 8.64e15) return Text();
  auto ms = static_cast<long long>(std::trunc(milliseconds));
  long long seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
  std::time_t when = static_cast<std::time_t>(seconds);
  std::tm local{};
#ifdef _WIN32
  if (localtime_s(&local, &when) != 0) return Text();
#else
  if (localtime_r(&when, &local) == nullptr) return Text();
#endif
  return std::to_string(local.tm_year + 1900) + "-" + std::to_string(local.tm_mon + 1) + "-" +
         std::to_string(local.tm_mday) + " " + TwoDigits(local.tm_hour) + ":" + TwoDigits(local.tm_min) + ":" +
         TwoDigits(local.tm_sec);
}

// Reads a decimal integer as the C library does: leading blanks, one sign,
// digits up to the first other byte; no number reads 0.
long long ReadLeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') value = value * 10 + (text[i++] - '0');
  return negative ? -value : value;
}

bool ReadUserLocaleClock() {
  try {
    return LocaleUsesTwentyFourHourClock(std::locale(""));
  } catch (const std::exception&) {
    return LocaleUsesTwentyFourHourClock(std::locale::classic());
  }
}

std::atomic<ClockLocaleReader> clockReader{nullptr};

}  // namespace

bool DateTimeToCalendar(DateTime time, CalendarFields& fields) {
  if (!std::isfinite(time) || time < kOldestDateTime || time >= kNewestDateTime) return false;
  // The day part counts whole days; the fraction is the time of day, also for
  // dates before 1899-12-30, where it is taken without its sign.
  double whole = std::trunc(time);
  auto dayIndex = static_cast<long long>(whole);
  auto ms = static_cast<long long>(std::llround(std::fabs(time - whole) * kMillisecondsPerDay));
  if (ms >= kMillisecondsPerDay) {
    ms -= kMillisecondsPerDay;
    ++dayIndex;
  }
  long long daysFrom1970 = dayIndex - kDaysFrom1899To1970;
  CivilFromDays(daysFrom1970, fields.year, fields.month, fields.day);
  if (fields.year < 100 || fields.year > 9999) return false;
  fields.dayOfWeek = static_cast<int>(((daysFrom1970 + 4) % 7 + 7) % 7);
  fields.hour = static_cast<int>(ms / 3600000);
  fields.minute = static_cast<int>(ms / 60000 % 60);
  fields.second = static_cast<int>(ms / 1000 % 60);
  fields.millisecond = static_cast<int>(ms % 1000);
  return true;
}

DateTime CalendarToDateTime(int year, int month, int day, int hour, int minute, int second) {
  double days = static_cast<double>(DaysFromCivil(year, month, day) + kDaysFrom1899To1970);
  return days + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

DateTime CurrentLocalDateTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return CalendarToDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                            local.tm_sec);
}

Text TimestampToText(const Text& timestamp) {
  if (timestamp.size() == 10) {
    long long seconds = ReadLeadingInteger(timestamp);
    DateTime t = Epoch() + static_cast<double>(seconds) / 86400.0;
    return FormatDateTime(t, "yyyy-M-dd ", UsesTwentyFourHourClock() ? "HH:mm:ss" : "hh:mm:ss");
  }
  std::optional<double> milliseconds = ParseScriptNumber(timestamp);
  if (!milliseconds) return Text();
  return MillisecondsToLocalText(*milliseconds);
}

Text DateTimeToTimestamp(std::optional<DateTime> time, bool tenDigits) {
  DateTime t = time.value_or(CurrentLocalDateTime());
  CalendarFields fields;
  DateTimeToCalendar(t, fields);
  Text milliseconds = std::to_string(fields.millisecond);
  while (milliseconds.size() < 3) milliseconds = "0" + milliseconds;
  double seconds = std::trunc((t - Epoch()) * 86400.0 + 5.787037037037037e-6);
  // Held in a signed 32-bit integer: times beyond its range stop at its ends.
  if (!(seconds >= -2147483648.0)) seconds = -2147483648.0;
  if (seconds > 2147483647.0) seconds = 2147483647.0;
  Text full = std::to_string(static_cast<std::int32_t>(seconds)) + milliseconds;
  return tenDigits ? LeftBytes(full, 10) : full;
}

Text FormatDateTime(DateTime time, const Text& datePicture, const Text& timePicture) {
  CalendarFields fields;
  if (!DateTimeToCalendar(time, fields)) return Text();
  Text date = datePicture.size() >= 3 ? WritePicture(datePicture, fields, "yMd") : Text();
  Text clock = timePicture.size() >= 3 ? WritePicture(timePicture, fields, "Hhms") : Text();
  return date + clock;
}

bool LocaleUsesTwentyFourHourClock(const std::locale& locale) {
  // Writes 15:00 in the locale's own time format and looks for the hour 15.
  std::tm afternoon{};
  afternoon.tm_year = 117;
  afternoon.tm_mon = 8;
  afternoon.tm_mday = 6;
  afternoon.tm_hour = 15;
  std::ostringstream out;
  out.imbue(locale);
  const auto& writer = std::use_facet<std::time_put<char>>(locale);
  writer.put(std::ostreambuf_iterator<char>(out), out, ' ', &afternoon, 'X');
  return out.str().find("15") != std::string::npos;
}

bool UsesTwentyFourHourClock() {
  ClockLocaleReader reader = clockReader.load();
  return reader ? reader() : ReadUserLocaleClock();
}

void SetClockLocaleReader(ClockLocaleReader reader) { clockReader.store(reader); }

}  // namespace vidlark
