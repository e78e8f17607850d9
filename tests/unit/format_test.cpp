// The type-checked formatter: printf results for correct formats, and safe
// literal output for formats that do not fit their arguments (formats may come
// from an archive).
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "core/core32.h"
#include "fatal_capture.h"

namespace {

template <class... A>
std::string fmt(const char* format, const A&... args) {
  const String s = formatString(format, args...);
  return std::string(s.cStr(), s.length());
}

template <class... A>
std::string printfOf(const char* format, A... args) {
  char buffer[512];
  snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

TEST(FormatCorrect, IntegersMatchPrintf) {
  const char* formats[] = {"%d", "%5d", "%-5d|", "%05d", "%+d", "% d", "%.3d", "%8.3d",
                           "%-+8.3d|", "%.0d", "%x", "%#x", "%#X", "%08X", "%#o", "%o",
                           "%u", "%i", "%#.0o", "%+.0d"};
  for (const char* f : formats)
    for (int v : {0, 1, -1, 42, -42, 255, INT_MAX, INT_MIN})
      EXPECT_EQ(fmt(f, v), printfOf(f, v)) << f << " " << v;
}

TEST(FormatCorrect, LengthModifiersAndWideArguments) {
  EXPECT_EQ(fmt("%lld", INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(fmt("%I64d", int64_t(1) << 40), "1099511627776");
  EXPECT_EQ(fmt("%zu", size_t(123)), "123");
  EXPECT_EQ(fmt("%llx", uint64_t(0xFFFFFFFFFFFFFFFFull)), "ffffffffffffffff");
  // Without a modifier the argument's own width counts, so wide values are
  // never cut off.
  EXPECT_EQ(fmt("%d", int64_t(1) << 33), "8589934592");
  EXPECT_EQ(fmt("%u", -1), "4294967295");
  EXPECT_EQ(fmt("%d", 0xFFFFFFFFu), "-1");
  EXPECT_EQ(fmt("%hd", 70000), "4464");
  EXPECT_EQ(fmt("%hhu", 257), "1");
  EXPECT_EQ(fmt("%d", static_cast<signed char>(-3)), "-3");
  EXPECT_EQ(fmt("%u", static_cast<unsigned char>(200)), "200");
  EXPECT_EQ(fmt("%d %d", true, false), "1 0");
}

TEST(FormatCorrect, TextsCharactersRealsAndStars) {
  EXPECT_EQ(fmt("[%s|%5s|%-5s|%.2s]", "abc", "ab", "ab", "abc"), "[abc|   ab|ab   |ab]");
  EXPECT_EQ(fmt("%s", String("str")), "str");
  EXPECT_EQ(fmt("%s", static_cast<const char*>(nullptr)), "(null)");
  char buffer[8] = "buf";
  EXPECT_EQ(fmt("%s", buffer), "buf");
  EXPECT_EQ(fmt("%c%3c%-3c|", 'a', 'b', 'c'), "a  bc  |");
  EXPECT_EQ(fmt("%.2f KB", 1.5), "1.50 KB");
  EXPECT_EQ(fmt("%8.3f|%-8.1f|%08.2f|%+.1f", 3.14159, 2.0, -1.5, 2.25), printfOf("%8.3f|%-8.1f|%08.2f|%+.1f", 3.14159, 2.0, -1.5, 2.25));
  EXPECT_EQ(fmt("%f", 1e300).size(), printfOf("%f", 1e300).size());
  EXPECT_EQ(fmt("%g %e", 0.5f, 12345.678), printfOf("%g %e", 0.5, 12345.678));
  EXPECT_EQ(fmt("%*d|%-*d|%.*f", 5, 1, 3, 2, 2, 1.0), "    1|2  |1.00");
  EXPECT_EQ(fmt("%*d|", -4, 7), "7   |");
  // The most negative 64-bit width (found by format_fuzz): left-aligned at the limit.
  EXPECT_EQ(fmt("%*d|", INT64_MIN, 7).size(), static_cast<size_t>(FormatLimit));
  EXPECT_EQ(fmt("%.*s|", -1, "abc"), "abc|");
  EXPECT_EQ(fmt("100%% %d%%", 5), "100% 5%");
  EXPECT_EQ(fmt("Tessaform v%.1f", 5.0), "Tessaform v5.0");
  EXPECT_EQ(fmt("%p", static_cast<void*>(nullptr)), std::string(2 * sizeof(void*), '0'));
}

TEST(FormatHostile, ConversionsWithoutFittingArgumentsStayLiteral) {
  EXPECT_EQ(fmt("%s"), "%s");
  EXPECT_EQ(fmt("%s %s %d", "one"), "one %s %d");
  EXPECT_EQ(fmt("%s%s%s%s%s%s%s%s%s%s%s%s"), "%s%s%s%s%s%s%s%s%s%s%s%s");
  // A wrong type is not taken; the argument waits for a conversion it fits.
  EXPECT_EQ(fmt("%s=%d", 5), "%s=5");
  EXPECT_EQ(fmt("%d %s", "text"), "%d text");
  EXPECT_EQ(fmt("%f %d", 3), "%f 3");
  EXPECT_EQ(fmt("%x", 2.5), "%x");
  EXPECT_EQ(fmt("%*d", "w", 5), "%*d");
  EXPECT_EQ(fmt("%.*s", "abc"), "%.*s");
  EXPECT_EQ(fmt("%c", "c"), "%c");
  EXPECT_EQ(fmt("%ls", "wide"), "%ls");
}

TEST(FormatHostile, PercentNIsNeverHonoured) {
  int target = 1234;
  EXPECT_EQ(fmt("ab%n", &target), "ab%n");
  EXPECT_EQ(fmt("%n%s", &target, "x"), "%n%s");  // a pointer fits neither
  EXPECT_EQ(fmt("%n%d", 7), "%n7");
  EXPECT_EQ(target, 1234);
}

TEST(FormatHostile, MalformedAndHugeConversions) {
  EXPECT_EQ(fmt("50%"), "50%");
  EXPECT_EQ(fmt("%-", 1), "%-");
  EXPECT_EQ(fmt("%y %d", 1), "%y 1");
  EXPECT_EQ(fmt("%lld"), "%lld");
  // Widths beyond the bound neither overflow nor run past the limit.
  EXPECT_EQ(fmt("%99999999999999999999d", 1).size(), size_t(FormatLimit));
  EXPECT_EQ(fmt("%.99999999999999999999d", 1).size(), size_t(FormatLimit));
  EXPECT_EQ(fmt("%*d", INT_MIN, 1).size(), size_t(FormatLimit));
  EXPECT_EQ(fmt("%.500f", 1.0).size(), 102u);  // precision capped at 100
}

TEST(FormatBounds, ResultsStopAt32767Characters) {
  std::string big(40000, 'x');
  EXPECT_EQ(fmt(big.c_str()).size(), size_t(FormatLimit));
  EXPECT_EQ(fmt("%s", big.c_str()).size(), size_t(FormatLimit));
  String s("head");
  s.appendFormat("%s", big.c_str());
  EXPECT_EQ(s.length(), 4 + FormatLimit);
  EXPECT_EQ(fmt(nullptr), "");

  char small[4];
  const FormatArg args[] = {FormatArg(12345)};
  EXPECT_EQ(formatArgs(small, sizeof small, "%d", args, 1), 3);
  EXPECT_STREQ(small, "123");
}

TEST(FormatStrings, FormatReplacesAndAppendFormatAppends) {
  String s("old");
  s.format("%s-%d", s, 1);  // its own text as an argument
  EXPECT_STREQ(s.cStr(), "old-1");
  s.appendFormat("+%c", 'x');
  EXPECT_STREQ(s.cStr(), "old-1+x");
  s.format("%c", 0);  // a zero byte is part of the result
  EXPECT_EQ(s.length(), 1);
}

TEST(FormatFatal, FatalErrorFormatsTypeChecked) {
  EXPECT_EQ(fatalTextOf([] { fatalError("Stack<%s>::pop", "int"); }), "Stack<int>::pop");
  EXPECT_EQ(fatalTextOf([] { fatalError("%s %d %n"); }), "%s %d %n");
  EXPECT_EQ(fatalTextOf([] { fatalText(nullptr); }), "");
}

}  // namespace
