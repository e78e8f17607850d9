// English texts for numbers, byte sizes, dates and times. Nothing here is
// localised; out-of-range month or weekday numbers give empty names.
#pragma once

#include <stdint.h>

#include "core/core32.h"
#include "core/date_time_stamp.h"

// "%d bytes" below 1,024, else "%.2f KB", "MB", "GB" or "TB".
String byteSizeText(int64_t size);
// precision >= 0: "%.*f"; negative: "%.6f" without trailing zeros and point.
String realText(double x, int precision);
String numberWords(int n);     // "Twenty One", "Negative Five"
String ordinalSuffix(int n);   // "1st", "12th", "22nd"
String ordinalWords(int n);    // "Twenty First", "Twelfth"

const char* monthName(int month);      // 1..12, else ""
const char* weekdayName(int weekday);  // 1 = Sunday .. 7, else ""
bool isLeapYear(int year);  // Julian before 1582, Gregorian from then on
int daysInMonth(int month, int year);  // 0 for a month outside 1..12

constexpr char DefaultDatePattern[] = "m/d/y";
constexpr char DefaultDateTimePattern[] = "m/d/y h:ii:ssap";

struct Date {
  int dayNumber = 0;
  int month = 0;
  int day = 0;
  int year = 0;
  int weekday = 0;  // 1 = Sunday .. 7 = Saturday; 0 while dayNumber is 0

  Date() = default;
  Date(int month, int day, int year);  // computes dayNumber and weekday

  bool isInvalidDate() const;
  // Codes m mm d dd y yy w ww D DD M MM W WW Y YY; other characters are
  // copied. An empty or null pattern means DefaultDatePattern.
  String formatDate(const char* pattern = DefaultDatePattern) const;
};

struct DateTime : Date {
  int hour = 0;  // 0..23
  int minute = 0;
  int second = 0;

  DateTime() = default;
  DateTime(int month, int day, int year, int hour, int minute, int second);
  explicit DateTime(const DateTimeStamp& t) : DateTime(t.month, t.day, t.year, t.hour, t.minute, t.second) {}

  DateTimeStamp stamp() const { return {year, month, day, hour, minute, second}; }

  bool isInvalidTime() const;
  // The date codes plus h hh H HH i ii s ss ap AP. An empty or null pattern
  // means DefaultDateTimePattern.
  String formatDateTime(const char* pattern = DefaultDateTimePattern) const;
};

Date today();     // the local system date
DateTime now();   // the local system date and time

String todayText();                   // "9/1/1999"
String todayText(const Date& date);
String nowTimeText();                 // "3:05:09p"
String nowTimeText(const DateTime& time);
String timeStampText();               // todayText, a space, nowTimeText
String timeStampText(const DateTime& time);
