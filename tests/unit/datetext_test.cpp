// Number words, byte sizes, the calendar and the date and time patterns.
#include <gtest/gtest.h>

#include <string>

#include "core/datetext.h"

namespace {

std::string text(const String& s) { return s.cStr(); }

TEST(NumberText, ByteSizes) {
  EXPECT_EQ(text(byteSizeText(1023)), "1023 bytes");
  EXPECT_EQ(text(byteSizeText(-5)), "-5 bytes");
  EXPECT_EQ(text(byteSizeText(1024)), "1.00 KB");
  EXPECT_EQ(text(byteSizeText(1536)), "1.50 KB");
  EXPECT_EQ(text(byteSizeText(1048576)), "1.00 MB");
  EXPECT_EQ(text(byteSizeText(int64_t(3) << 30)), "3.00 GB");
  EXPECT_EQ(text(byteSizeText(int64_t(5) << 40)), "5.00 TB");
  EXPECT_EQ(text(byteSizeText(INT64_MIN)), "-9223372036854775808 bytes");
}

TEST(NumberText, Reals) {
  EXPECT_EQ(text(realText(2.5, -1)), "2.5");
  EXPECT_EQ(text(realText(3.0, -1)), "3");
  EXPECT_EQ(text(realText(100.0, -1)), "100");
  EXPECT_EQ(text(realText(0.125, 2)), "0.12");
  EXPECT_EQ(text(realText(2.0, 0)), "2");
}

TEST(NumberText, CardinalWords) {
  EXPECT_EQ(text(numberWords(0)), "Zero");
  EXPECT_EQ(text(numberWords(21)), "Twenty One");
  EXPECT_EQ(text(numberWords(-5)), "Negative Five");
  EXPECT_EQ(text(numberWords(1000000)), "One Million");
  EXPECT_EQ(text(numberWords(1999)), "One Thousand Nine Hundred Ninety Nine");
  EXPECT_EQ(text(numberWords(2005000)), "Two Million Five Thousand");
  EXPECT_EQ(text(numberWords(INT_MIN)),
            "Negative Two Thousand One Hundred Forty Seven Million Four Hundred Eighty Three "
            "Thousand Six Hundred Forty Eight");
}

TEST(NumberText, Ordinals) {
  for (int n : {11, 12, 13, 111, 112, 4, 20}) EXPECT_EQ(text(ordinalSuffix(n)), std::to_string(n) + "th");
  EXPECT_EQ(text(ordinalSuffix(21)), "21st");
  EXPECT_EQ(text(ordinalSuffix(22)), "22nd");
  EXPECT_EQ(text(ordinalSuffix(23)), "23rd");
  EXPECT_EQ(text(ordinalSuffix(101)), "101st");
  EXPECT_EQ(text(ordinalWords(31)), "Thirty First");
  EXPECT_EQ(text(ordinalWords(12)), "Twelfth");
  EXPECT_EQ(text(ordinalWords(112)), "One Hundred Twelfth");
  EXPECT_EQ(text(ordinalWords(3)), "Third");
  EXPECT_EQ(text(ordinalWords(10)), "Tenth");
  EXPECT_EQ(text(ordinalWords(13)), "Thirteenth");
  EXPECT_EQ(text(ordinalWords(20)), "Twentieth");
  EXPECT_EQ(text(ordinalWords(100)), "One Hundredth");
  EXPECT_EQ(text(ordinalWords(120)), "One Hundred Twentieth");
  EXPECT_EQ(text(ordinalWords(-2)), "Negative Second");
}

TEST(Calendar, WeekdaysAndLeapYears) {
  EXPECT_EQ(Date(1, 1, 2000).weekday, 7);
  EXPECT_EQ(Date(9, 1, 1999).weekday, 4);   // a Wednesday
  EXPECT_EQ(Date(10, 15, 1582).weekday, 6); // first Gregorian day, a Friday
  EXPECT_EQ(Date(10, 4, 1582).weekday, 5);  // the day before it, a Thursday
  EXPECT_EQ(Date(3, 1, 2024).dayNumber - Date(2, 28, 2024).dayNumber, 2);
  EXPECT_EQ(Date().weekday, 0);
  EXPECT_FALSE(isLeapYear(1900));
  EXPECT_TRUE(isLeapYear(2000));
  EXPECT_TRUE(isLeapYear(1500));
  EXPECT_FALSE(Date(2, 29, 2024).isInvalidDate());
  EXPECT_TRUE(Date(2, 29, 2023).isInvalidDate());
  EXPECT_TRUE(Date(13, 1, 2000).isInvalidDate());
  EXPECT_TRUE(Date().isInvalidDate());
  EXPECT_TRUE(DateTime(1, 1, 2000, 24, 0, 0).isInvalidTime());
  EXPECT_FALSE(DateTime(1, 1, 2000, 23, 59, 59).isInvalidTime());
  EXPECT_STREQ(monthName(0), "");
  EXPECT_STREQ(weekdayName(8), "");
  // Extreme input neither overflows nor crashes.
  Date(INT_MAX, INT_MAX, INT_MAX).formatDate("MM W Y YY");
}

TEST(DatePatterns, EveryCode) {
  const DateTime t(9, 1, 1999, 15, 5, 9);
  EXPECT_EQ(text(t.formatDate("MM D, yy")), "September 1st, 1999");
  EXPECT_EQ(text(t.formatDateTime("m/d/y h:ii:ssap")), "9/1/99 3:05:09p");
  EXPECT_EQ(text(t.formatDate("")), "9/1/99");
  EXPECT_EQ(text(t.formatDateTime(nullptr)), "9/1/99 3:05:09p");
  EXPECT_EQ(text(t.formatDate("mm/dd w ww M W WW DD")),
            "09/01 4 04 Sep Wed Wednesday First");
  EXPECT_EQ(text(t.formatDate("Y|YY")), "Ninety Nine|Nineteen Ninety Nine");
  EXPECT_EQ(text(Date(1, 2, 2005).formatDate("Y|YY")), "Oh Five|Twenty Oh Five");
  EXPECT_EQ(text(t.formatDateTime("hh HH H i s AP a A x")), "03 15 15 5 9 p.m. a A x");
  EXPECT_EQ(text(t.formatDate("h:ii ap")), "h:ii ap");  // time codes are dates' letters
  EXPECT_EQ(text(DateTime(1, 1, 2000, 0, 0, 0).formatDateTime("h AP")), "12 a.m.");
  EXPECT_EQ(text(t.formatDateTime("m/d/yy")), "9/1/1999");
}

TEST(DatePatterns, ClockAndStampTexts) {
  EXPECT_EQ(text(nowTimeText(DateTime(1, 1, 2000, 12, 30, 5))), "12:30:05p");
  EXPECT_EQ(text(nowTimeText(DateTime(1, 1, 2000, 0, 10, 0))), "12:10:00a");
  EXPECT_EQ(text(timeStampText(DateTime(9, 1, 1999, 23, 0, 0))), "9/1/1999 11:00:00p");
  const Date now = today();
  EXPECT_FALSE(now.isInvalidDate());
  EXPECT_EQ(text(todayText()), text(todayText(now)));
}

}  // namespace
