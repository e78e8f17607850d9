// The core library as the installer builds it (no exceptions, no RTTI, the
// replaced allocation operators), run under Wine.
#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <string>

#include "core/containers.h"
#include "core/core32.h"
#include "core/datetext.h"
#include "tests/win32/data/platform_test_support.h"

namespace {

using platform_test::fatalTextOf;

// Keeps a block alive so the compiler cannot drop its allocation.
void* volatile keptBlock;

TEST(CoreOnWindows, StringAndFormatting) {
  String s("  /a  /d:\"C:\\Program Files\\x\"");
  EXPECT_STREQ(s.nextAtom().cStr(), "/a");
  EXPECT_STREQ(s.nextAtom().cStr(), "/d:C:\\Program Files\\x");
  EXPECT_EQ(String("abcd").checksum(), 0xDE461F02u);
  EXPECT_STREQ(formatString("%lld|%I64d|%zu|%p", INT64_MIN, int64_t(1) << 40, size_t(7),
                            static_cast<void*>(nullptr)).cStr(),
               (std::string("-9223372036854775808|1099511627776|7|") +
                std::string(2 * sizeof(void*), '0')).c_str());
  EXPECT_STREQ(formatString("%s %d %n").cStr(), "%s %d %n");
  EXPECT_STREQ(formatString("%.2f KB", 1.5).cStr(), "1.50 KB");
  EXPECT_STREQ(byteSizeText(1048576).cStr(), "1.00 MB");
  EXPECT_STREQ(groupedNumber(int64_t(1) << 40).cStr(), "1,099,511,627,776");
}

TEST(CoreOnWindows, Containers) {
  Array<String> names;
  for (int i = 0; i < 100; ++i) names.insertAt(i / 2, fromInt(i));
  EXPECT_EQ(names.count(), 100);
  names.sort([](const String* a, const String* b) { return a->toInt() - b->toInt(); });
  EXPECT_STREQ(names[99].cStr(), "99");
  Array<int> values;
  for (int i = 0; i < 5000; ++i) values.addFirst(i);
  EXPECT_EQ(values[0], 4999);
  StringSet set;
  set.reset(40);
  EXPECT_TRUE(set.insert("C:\\WINDOWS\\SYSTEM\\A.DLL", true));
  EXPECT_FALSE(set.insert("C:\\WINDOWS\\SYSTEM\\A.DLL", true));
}

TEST(CoreOnWindows, FatalReportsReachTheBoundReporter) {
  String s("abc");
  EXPECT_EQ(fatalTextOf([&] { s.at(3); }), "Core32 603");
  Stack<String> stack;
  EXPECT_EQ(fatalTextOf([&] { stack.pop(); }), "Stack<String>::pop");
  Array<int> empty;
  EXPECT_EQ(fatalTextOf([&] { empty[0]; }), "Vector<int>[0]\nmax_index = -1");
}

TEST(CoreOnWindows, FailedNewEndsInTheOutOfMemoryReport) {
  // The replaced operator new reports instead of throwing. (A direct call:
  // the compiler may drop an unused new-expression.)
  volatile size_t huge = SIZE_MAX / 2;
  const std::string text = fatalTextOf([&] { keptBlock = ::operator new[](huge); });
  EXPECT_EQ(text.rfind("Out Of Memory.  Make sure your hard drive is not full.\nRequested size = ", 0),
            0u) << text;
  EXPECT_NE(text.find(groupedNumber(static_cast<int64_t>(SIZE_MAX / 2)).cStr()), std::string::npos);
}

}  // namespace
