// DateTimeStamp: a date and a time of day as six integers (year, month,
// day, hour, minute, second), the one time type of the installer. The
// archive stores file times and the program's time in this form, file
// times are read and set in it (local time), and the install date is
// written from it. All six zero means "no time".
#pragma once

#include <stdint.h>

struct DateTimeStamp {
  int32_t year = 0;
  int32_t month = 0;
  int32_t day = 0;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;

  bool isEmpty() const {
    return year == 0 && month == 0 && day == 0 && hour == 0 && minute == 0 && second == 0;
  }
  // Chronological order, field by field from the year down; negative, zero
  // or positive.
  int compare(const DateTimeStamp& o) const {
    const int32_t a[] = {year, month, day, hour, minute, second};
    const int32_t b[] = {o.year, o.month, o.day, o.hour, o.minute, o.second};
    for (int i = 0; i < 6; ++i)
      if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
  }
  bool operator==(const DateTimeStamp& o) const { return compare(o) == 0; }
  bool operator!=(const DateTimeStamp& o) const { return compare(o) != 0; }
  bool operator<(const DateTimeStamp& o) const { return compare(o) < 0; }
};

inline bool isEmptyTime(const DateTimeStamp& t) { return t.isEmpty(); }
