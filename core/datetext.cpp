#include "core/datetext.h"

#include <time.h>

namespace {

const char* const UnitWords[] = {
    "Zero",    "One",     "Two",       "Three",    "Four",     "Five",    "Six",
    "Seven",   "Eight",   "Nine",      "Ten",      "Eleven",   "Twelve",  "Thirteen",
    "Fourteen", "Fifteen", "Sixteen",  "Seventeen", "Eighteen", "Nineteen"};
const char* const TenWords[] = {"",      "",      "Twenty",  "Thirty", "Forty",
                                "Fifty", "Sixty", "Seventy", "Eighty", "Ninety"};
const char* const OrdinalUnitWords[] = {"",      "First",   "Second", "Third", "Fourth",
                                        "Fifth", "Sixth",   "Seventh", "Eighth", "Ninth"};
const char* const OrdinalTenWords[] = {"",          "Tenth",     "Twentieth", "Thirtieth",
                                       "Fortieth",  "Fiftieth",  "Sixtieth",  "Seventieth",
                                       "Eightieth", "Ninetieth"};
const char* const WeekdayNames[] = {"",         "Sunday",   "Monday", "Tuesday",
                                    "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const MonthNames[] = {"",        "January",  "February", "March",  "April",
                                  "May",     "June",     "July",     "August", "September",
                                  "October", "November", "December"};
const int DaysPerMonth[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

constexpr int64_t KiB = 1024;
constexpr int64_t MiB = KiB * 1024;
constexpr int64_t GiB = MiB * 1024;
constexpr int64_t TiB = GiB * 1024;

// Cardinal words of a non-negative n.
void appendWords(String& out, int64_t n) {
  struct Scale {
    int64_t size;
    const char* word;
  };
  static const Scale scales[] = {{1000000, " Million"}, {1000, " Thousand"}, {100, " Hundred"}};
  for (const Scale& scale : scales) {
    if (n >= scale.size) {
      appendWords(out, n / scale.size);
      out.append(scale.word);
      n %= scale.size;
      if (n == 0) return;
      out.appendChar(' ');
    }
  }
  if (n >= 20) {
    out.append(TenWords[n / 10]);
    if (n % 10 != 0) {
      out.appendChar(' ');
      out.append(UnitWords[n % 10]);
    }
  } else {
    out.append(UnitWords[n]);
  }
}

// "Negative " for a negative n; returns n's magnitude (in 64 bits, where
// INT_MIN has one).
int64_t appendSign(String& out, int n) {
  if (n >= 0) return n;
  out.append("Negative ");
  return -int64_t{n};
}

// Words of `part` and a space, unless part is 0.
void appendLeadingWords(String& out, int64_t part) {
  if (part == 0) return;
  appendWords(out, part);
  out.appendChar(' ');
}

void appendOrdinalWords(String& out, int64_t n) {
  const int64_t lastTwo = n % 100;
  if (lastTwo == 12) {
    appendLeadingWords(out, n - 12);
    out.append("Twelfth");
  } else if (lastTwo == 0 || (lastTwo >= 10 && lastTwo <= 19)) {
    appendWords(out, n);
    out.append("th");
  } else if (n % 10 != 0) {
    appendLeadingWords(out, n - n % 10);
    out.append(OrdinalUnitWords[n % 10]);
  } else {
    appendLeadingWords(out, n - lastTwo);
    out.append(OrdinalTenWords[lastTwo / 10]);
  }
}

// The year mod 100 in words, "Oh " first when it is below 10.
void appendYearWords(String& out, int year) {
  const int rest = year % 100 < 0 ? -(year % 100) : year % 100;
  if (rest < 10) out.append("Oh ");
  appendWords(out, rest);
}

int twelveHour(int hour) {
  const int h = hour % 12;
  return h == 0 ? 12 : h;
}

// Counts how often the pattern's character at p repeats (1 or 2: a doubled
// letter is one code).
int codeLength(const char* p) { return p[1] == p[0] ? 2 : 1; }

// Formats the date codes at p into out; returns the pattern characters used,
// or 0 when p holds no date code.
int appendDateCode(String& out, const Date& date, const char* p) {
  const int n = codeLength(p);
  const bool twice = n == 2;
  switch (*p) {
    case 'm':
      out.appendFormat(twice ? "%02d" : "%d", date.month);
      return n;
    case 'd':
      out.appendFormat(twice ? "%02d" : "%d", date.day);
      return n;
    case 'y':
      if (twice) out.appendFormat("%04d", date.year);
      else out.appendFormat("%02d", date.year % 100);
      return n;
    case 'w':
      out.appendFormat(twice ? "%02d" : "%d", date.weekday);
      return n;
    case 'D':
      out.append(twice ? ordinalWords(date.day) : ordinalSuffix(date.day));
      return n;
    case 'M':
      out.append(monthName(date.month), twice ? INT_MAX : 3);
      return n;
    case 'W':
      out.append(weekdayName(date.weekday), twice ? INT_MAX : 3);
      return n;
    case 'Y':
      if (twice) {
        appendWords(out, date.year / 100 < 0 ? -(date.year / 100) : date.year / 100);
        out.appendChar(' ');
      }
      appendYearWords(out, date.year);
      return n;
    default:
      return 0;
  }
}

int appendTimeCode(String& out, const DateTime& time, const char* p) {
  const int n = codeLength(p);
  const bool twice = n == 2;
  switch (*p) {
    case 'h':
      out.appendFormat(twice ? "%02d" : "%d", twelveHour(time.hour));
      return n;
    case 'H':
      out.appendFormat(twice ? "%02d" : "%d", time.hour);
      return n;
    case 'i':
      out.appendFormat(twice ? "%02d" : "%d", time.minute);
      return n;
    case 's':
      out.appendFormat(twice ? "%02d" : "%d", time.second);
      return n;
    case 'a':
      if (p[1] != 'p') return 0;
      out.appendChar(time.hour < 12 ? 'a' : 'p');
      return 2;
    case 'A':
      if (p[1] != 'P') return 0;
      out.append(time.hour < 12 ? "a.m." : "p.m.");
      return 2;
    default:
      return 0;
  }
}

DateTime localNow() {
  const time_t seconds = time(nullptr);
  const struct tm* local = localtime(&seconds);
  if (local == nullptr) return DateTime();
  return DateTime(local->tm_mon + 1, local->tm_mday, local->tm_year + 1900, local->tm_hour,
                  local->tm_min, local->tm_sec);
}

}  // namespace

String byteSizeText(int64_t size) {
  if (size < KiB) return formatString("%lld bytes", static_cast<long long>(size));
  if (size < MiB) return formatString("%.2f KB", double(size) / double(KiB));
  if (size < GiB) return formatString("%.2f MB", double(size) / double(MiB));
  if (size < TiB) return formatString("%.2f GB", double(size) / double(GiB));
  return formatString("%.2f TB", double(size) / double(TiB));
}

String realText(double x, int precision) {
  if (precision >= 0) return formatString("%.*f", precision, x);
  String text = formatString("%.6f", x);
  if (text.findChar('.') >= 0) {
    text.trimRightChar('0');
    text.dropLastIf('.');
  }
  return text;
}

String numberWords(int n) {
  String out;
  const int64_t magnitude = appendSign(out, n);
  appendWords(out, magnitude);
  return out;
}

String ordinalSuffix(int n) {
  // English: 11, 12 and 13 (also 111, 212, ...) take "th".
  const int64_t magnitude = n < 0 ? -int64_t(n) : int64_t(n);
  const int64_t lastTwo = magnitude % 100;
  const char* suffix = "th";
  if (lastTwo < 11 || lastTwo > 13) {
    switch (magnitude % 10) {
      case 1: suffix = "st"; break;
      case 2: suffix = "nd"; break;
      case 3: suffix = "rd"; break;
      default: break;
    }
  }
  return formatString("%d%s", n, suffix);
}

String ordinalWords(int n) {
  String out;
  const int64_t magnitude = appendSign(out, n);
  appendOrdinalWords(out, magnitude);
  return out;
}

const char* monthName(int month) { return (month >= 1 && month <= 12) ? MonthNames[month] : ""; }

const char* weekdayName(int weekday) {
  return (weekday >= 1 && weekday <= 7) ? WeekdayNames[weekday] : "";
}

bool isLeapYear(int year) {
  if (year < 1582) return year % 4 == 0;
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysInMonth(int month, int year) {
  if (month < 1 || month > 12) return 0;
  return (month == 2 && isLeapYear(year)) ? 29 : DaysPerMonth[month];
}

Date::Date(int month_, int day_, int year_) : month(month_), day(day_), year(year_) {
  // The astronomical day number, with the Gregorian correction from
  // 15 October 1582 on; 64-bit so that no input overflows.
  int64_t c = year;
  if (year < 0) c += 1;
  int64_t m = month;
  if (month <= 2) {
    c -= 1;
    m += 12;
  }
  int64_t g = 0;
  if (int64_t(day) + c * 10000 + m * 100 >= 15821015) g = c / 400 - c / 100 + 2;
  const int64_t number = int64_t(day) + int64_t(double(c) * 365.25) +
                         int64_t(double(m + 1) * 30.6001) + g + 1720994;
  dayNumber = static_cast<int>(number);
  weekday = dayNumber == 0 ? 0 : static_cast<int>(((int64_t(dayNumber) + 2) % 7 + 7) % 7 + 1);
}

bool Date::isInvalidDate() const {
  return !(month >= 1 && month <= 12 && weekday >= 1 && weekday <= 7 && day >= 1 &&
           day <= daysInMonth(month, year));
}

String Date::formatDate(const char* pattern) const {
  if (pattern == nullptr || *pattern == '\0') pattern = DefaultDatePattern;
  String out;
  for (const char* p = pattern; *p != '\0';) {
    const int used = appendDateCode(out, *this, p);
    if (used > 0) {
      p += used;
    } else {
      out.appendChar(*p++);
    }
  }
  return out;
}

DateTime::DateTime(int month_, int day_, int year_, int hour_, int minute_, int second_)
    : Date(month_, day_, year_), hour(hour_), minute(minute_), second(second_) {}

bool DateTime::isInvalidTime() const {
  return !(hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 &&
           second <= 59);
}

String DateTime::formatDateTime(const char* pattern) const {
  if (pattern == nullptr || *pattern == '\0') pattern = DefaultDateTimePattern;
  String out;
  for (const char* p = pattern; *p != '\0';) {
    int used = appendDateCode(out, *this, p);
    if (used == 0) used = appendTimeCode(out, *this, p);
    if (used > 0) {
      p += used;
    } else {
      out.appendChar(*p++);
    }
  }
  return out;
}

Date today() { return localNow(); }

DateTime now() { return localNow(); }

String todayText() { return todayText(today()); }

String todayText(const Date& date) {
  return formatString("%d/%d/%d", date.month, date.day, date.year);
}

String nowTimeText() { return nowTimeText(now()); }

String nowTimeText(const DateTime& time) {
  return formatString("%d:%02d:%02d%c", twelveHour(time.hour), time.minute, time.second,
                      time.hour < 12 ? 'a' : 'p');
}

String timeStampText() { return timeStampText(now()); }

String timeStampText(const DateTime& time) {
  return todayText(time) + " " + nowTimeText(time);
}
