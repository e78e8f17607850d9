// String, the character and number helpers, the allocation helpers and the
// RatioStepper of the core module.
#include <gtest/gtest.h>

#include <string>

#include "core/core32.h"
#include "core/ratio_stepper.h"
#include "fatal_capture.h"

namespace {

std::string bytes(const String& s) { return std::string(s.cStr(), s.length()); }

TEST(StringStorage, EmptyStringsHaveAReadableTextAndNoBuffer) {
  String a;
  String b(static_cast<const char*>(nullptr));
  String c("");
  for (const String* s : {&a, &b, &c}) {
    ASSERT_NE(s->cStr(), nullptr);
    EXPECT_STREQ(s->cStr(), "");
    EXPECT_EQ(s->buffer(), nullptr);
    EXPECT_TRUE(s->isEmpty());
    EXPECT_TRUE(s->isBlank());
  }
  EXPECT_EQ(String("abc").capacity(), 3 + 25);
}

TEST(StringStorage, ResizeKeepsTheBlockForSmallShrinksOnly) {
  String s(1000);
  const int capacity = s.capacity();
  s.resize(600);
  EXPECT_EQ(s.capacity(), capacity);
  EXPECT_EQ(s.cStr()[600], '\0');
  s.resize(400);
  EXPECT_EQ(s.capacity(), 425);
  s.resize(0);
  EXPECT_EQ(s.buffer(), nullptr);
  EXPECT_EQ(s.capacity(), 0);
}

TEST(StringStorage, ZeroBytesSurviveCopiesAndAppends) {
  const char raw[] = {'a', '\0', 'b', '\0'};
  String s(raw, 4);
  String copy = s;
  copy.append(s);
  copy.appendBytes(raw, 2);
  EXPECT_EQ(copy.length(), 10);
  EXPECT_EQ(bytes(copy), std::string("a\0b\0a\0b\0a\0", 10));
  EXPECT_EQ(copy.checksum(), checksumBytes(copy.cStr(), 10));
  EXPECT_TRUE(String(raw, 4) == s);
  EXPECT_FALSE(String("a") == s);  // equal texts, different lengths
}

TEST(StringStorage, AssignAdoptAndMove) {
  String s("start");
  s.assign("abcdef", 3);
  EXPECT_EQ(bytes(s), "abc");
  s.assignUpTo("xy\0z", 10);
  EXPECT_EQ(bytes(s), "xy");
  s.assign(static_cast<const char*>(nullptr), 5);
  EXPECT_EQ(s.buffer(), nullptr);

  // Assigning part of itself.
  s = "hello world";
  s.assign(s.cStr() + 6, 5);
  EXPECT_EQ(bytes(s), "world");
  s.append(s);
  EXPECT_EQ(bytes(s), "worldworld");
  s.insert(s.cStr(), 5, 1);
  EXPECT_EQ(bytes(s), "worldwworld");

  char* block = static_cast<char*>(allocateOrDie(4));
  memcpy(block, "wxyz", 4);
  s.adopt(block, 4);
  EXPECT_EQ(bytes(s), "wxyz");
  EXPECT_EQ(s.capacity(), 5);
  s.adopt(static_cast<char*>(allocateOrDie(8)), 0);
  EXPECT_EQ(s.buffer(), nullptr);

  String moved(std::move(s = "moved"));
  EXPECT_EQ(bytes(moved), "moved");
  EXPECT_EQ(s.buffer(), nullptr);
  // A string left without a block reads as "" and grows again (the sanitizers
  // catch a free of the terminator it shares with every such string).
  EXPECT_STREQ(s.cStr(), "");
  EXPECT_EQ(s.firstChar(), '\0');
  s.append("again");
  EXPECT_EQ(bytes(s), "again");
  moved = String();
  EXPECT_STREQ(moved.cStr(), "");
}

TEST(StringStorage, BufferForPlatformCalls) {
  String s;
  s.reset(10);
  strcpy(s.buffer(), "C:\\x");
  s.syncLength();
  EXPECT_EQ(bytes(s), "C:\\x");
  // A call that filled the whole block without a terminator.
  s.reset(3);
  memset(s.buffer(), 'q', s.capacity());
  s.syncLength();
  EXPECT_EQ(s.length(), s.capacity() - 1);
  EXPECT_EQ(s.cStr()[s.length()], '\0');
}

TEST(StringFatal, BrokenPreconditionsReportModuleAndLine) {
  String s("abc");
  EXPECT_EQ(fatalTextOf([&] { s.at(3); }), "Core32 603");
  EXPECT_EQ(fatalTextOf([&] { s.at(-1); }), "Core32 603");
  EXPECT_EQ(fatalTextOf([&] { s.appendSpace(-1); }), "Core32 2646");
  EXPECT_EQ(fatalTextOf([&] { s.resize(0x40000001); }), "Core32 663");
  EXPECT_EQ(fatalTextOf([&] { RatioStepper(5, 0); }), "Core32 6234");
  EXPECT_EQ(bytes(s), "abc");
  *s.at(2) = 'z';
  EXPECT_EQ(bytes(s), "abz");
}

TEST(StringFatal, OutOfMemoryNamesTheGroupedSize) {
  EXPECT_EQ(fatalTextOf([] { outOfMemory(1048576); }),
            "Out Of Memory.  Make sure your hard drive is not full.\nRequested size = 1,048,576");
}

TEST(StringAccess, CharactersOutOfRangeAreAbsorbed) {
  String s("abc");
  EXPECT_EQ(s.charAt(-1), '\0');
  EXPECT_EQ(s.charAt(3), '\0');
  EXPECT_FALSE(s.setCharAt(3, 'x'));
  EXPECT_TRUE(s.setCharAt(1, '\0'));
  EXPECT_EQ(bytes(s), "a");
  EXPECT_EQ(s.popFirstChar(), 'a');
  EXPECT_EQ(s.popFirstChar(), '\0');
  EXPECT_EQ(String().firstChar(), '\0');
  EXPECT_EQ(String().lastChar(), '\0');
}

TEST(StringEdit, InsertAppendAndConcatenate) {
  String s("ace");
  s.insertChars('-', 99, 2);
  s.insertChars('b', 1, 1);
  s.insertChars('x', 0, 0);
  EXPECT_EQ(bytes(s), "abce--");
  s.insert("D", 3);
  s.insert(String("XYZ"), -5, 2);
  EXPECT_EQ(bytes(s), "XYabcDe--");
  EXPECT_TRUE(s.ensureLastChar('\\'));
  EXPECT_FALSE(s.ensureLastChar('\\'));
  EXPECT_EQ(bytes("<" + String("a") + 'b' + "c" + String("d")), "<abcd");
  String t;
  t.append("abcdef", 2);
  t.append(String("xyz"), 1);
  EXPECT_EQ(bytes(t), "abx");
}

TEST(StringSearch, FindsAndAbsorbsBadStarts) {
  String s("Hello hello");
  EXPECT_EQ(s.findChar('h'), 6);
  EXPECT_EQ(s.findChar('h', 0, false), 0);
  EXPECT_EQ(s.findChar('H', -4), 0);
  EXPECT_EQ(s.findCharReverse('l'), 9);
  EXPECT_EQ(s.findCharReverse('l', 3), 3);
  EXPECT_EQ(s.findCharReverse('H', -1), 0);  // a negative start counts as 0
  EXPECT_EQ(s.findCharReverse('l', -1), -1);
  EXPECT_EQ(String().findCharReverse('a', -1), -1);
  EXPECT_EQ(s.find("hello"), 6);
  EXPECT_EQ(s.find("HELLO", 1, false), 6);
  EXPECT_EQ(s.find(""), -1);
  EXPECT_EQ(s.find(static_cast<const char*>(nullptr)), -1);
  EXPECT_EQ(s.find("hello!"), -1);
  EXPECT_EQ(s.findAnyOf("oe"), 1);
  EXPECT_EQ(s.findAnyOf("oe", 99), -1);
  EXPECT_EQ(s.findAnyOf(""), -1);
  EXPECT_EQ(s.findNotOf("Hel"), 4);
  EXPECT_EQ(s.findNotOf(nullptr), -1);
  EXPECT_EQ(String("Size: -1.5").findNumberStart(), 6);
  EXPECT_EQ(String().findChar('a'), -1);
}

TEST(StringCompare, FollowsTheCountRules) {
  EXPECT_EQ(String().compare(""), 0);
  EXPECT_EQ(String("a").compare(""), 1);
  EXPECT_EQ(String().compare("a"), -1);
  EXPECT_EQ(String("pause").compare("PAUSE", false), 0);
  EXPECT_NE(String("pause").compare("PAUSE", true), 0);
  EXPECT_LT(String("abc").compare("abd"), 0);
  EXPECT_GT(String("abcd").compare("abc"), 0);   // terminator takes part
  EXPECT_EQ(String("abcd").compare("abcx", true, 3), 0);
  EXPECT_EQ(String("abc").compare("abc", true, 0), -1);
  EXPECT_GT(String("\xE9").compare("e"), 0);      // unsigned bytes
  EXPECT_EQ(String().compare(String()), -1);
  EXPECT_EQ(String("a").compare(String()), 1);
  EXPECT_EQ(String("[x]").compare(String("[X]"), false), 0);
}

TEST(StringCompare, StartsWithNoCase) {
  const struct {
    const char* text;
    const char* prefix;
    bool starts;
  } cases[] = {
      {"d:\\dir", "D:", true},       {"C:\\WINDOWS\\x", "c:\\windows", true},
      {"D", "D:", false},            {"abc", "", true},
      {"abc", nullptr, true},        {"", "", true},
      {"[x", "{X", false},           {"\xE9t\xE9", "\xC9", false},  // ASCII letters only
  };
  for (const auto& c : cases) EXPECT_EQ(startsWithNoCase(String(c.text), c.prefix), c.starts) << c.text;
}

TEST(ByteOrder, LittleEndianWordsAtAnyAlignment) {
  const uint8_t bytes[] = {0x00, 0x78, 0x56, 0x34, 0x12, 0xFE};
  EXPECT_EQ(loadLittleEndian32(bytes + 1), 0x12345678u);
  EXPECT_EQ(loadLittleEndian16(bytes + 4), 0xFE12u);
  uint8_t stored[sizeof bytes] = {};
  storeLittleEndian32(stored + 1, 0x12345678u);
  storeLittleEndian16(stored + 4, 0xFE12u);  // over the last byte of the word
  EXPECT_EQ(memcmp(stored, bytes, sizeof bytes), 0);
}

TEST(StringEdit, EraseAndDrop) {
  String s("abcdef");
  EXPECT_FALSE(s.erase(6, 1));
  EXPECT_FALSE(s.erase(-3, 3));
  EXPECT_TRUE(s.erase(-1, 2));   // removes "a"
  EXPECT_EQ(bytes(s), "bcdef");
  EXPECT_TRUE(s.erase(1, 2));
  EXPECT_EQ(bytes(s), "bef");
  EXPECT_TRUE(s.erase(1, INT_MAX));
  EXPECT_EQ(bytes(s), "b");
  EXPECT_FALSE(s.erase(INT_MIN, INT_MAX));  // shortened below 1, without overflow
  EXPECT_EQ(bytes(s), "b");
  s = "xxaxbx";
  EXPECT_EQ(s.removeChar('x'), 4);
  EXPECT_EQ(bytes(s), "ab");
  s = "a<os>b<OS>c<os>";
  EXPECT_EQ(s.removeText("<os>", 2, false), 2);
  EXPECT_EQ(bytes(s), "abc<os>");
  EXPECT_TRUE(s.truncateAtChar('c'));
  EXPECT_FALSE(s.truncateAtChar('q'));
  EXPECT_EQ(s.dropFront(5), 2);
  s = "/-a-";
  EXPECT_TRUE(s.dropFirstIfIn("/-"));
  EXPECT_TRUE(s.dropLastIf('-'));
  EXPECT_FALSE(s.dropFirstIf('a' + 1));
  EXPECT_EQ(s.dropBack(-1), 0);
  EXPECT_EQ(bytes(s), "-a");
  s = "\"q\"";
  EXPECT_TRUE(s.stripPair('"'));
  EXPECT_EQ(bytes(s), "q");
  s = "\"";
  EXPECT_FALSE(s.stripPair('"'));
}

TEST(StringEdit, Trimming) {
  String s(" \t\r\nab c \n");
  EXPECT_EQ(s.trimLeft(), 4);
  EXPECT_EQ(s.trimRight(), 2);
  EXPECT_EQ(bytes(s), "ab c");
  s = "xxabxx..";
  EXPECT_EQ(s.trimRightChar('.'), 2);
  EXPECT_EQ(s.trimLeftSet("x"), 2);
  EXPECT_EQ(s.trimRightSet("xb"), 3);
  EXPECT_EQ(bytes(s), "a");
  EXPECT_TRUE(String(" \t").isEmptyOrBlank());
  EXPECT_FALSE(String(" \v").isBlank());
}

TEST(StringPieces, SubstringAndCut) {
  String s("abcdef");
  EXPECT_EQ(bytes(s.substring(-2, 3)), "abc");
  EXPECT_EQ(bytes(s.substring(4)), "ef");
  EXPECT_TRUE(s.substring(6).isEmpty());
  EXPECT_TRUE(s.substring(2, 0).isEmpty());
  EXPECT_EQ(bytes(s.cut(1, 2)), "bc");
  EXPECT_EQ(bytes(s), "adef");
}

TEST(StringPieces, ExtractQuoted) {
  String s("\"a\"\"b\"c");
  EXPECT_EQ(bytes(s.extractQuoted('"')), "a\"b");
  EXPECT_EQ(bytes(s), "c");
  s = "\"abc";
  EXPECT_EQ(bytes(s.extractQuoted('"')), "abc");
  EXPECT_TRUE(s.isEmpty());
  s = "x\"y\"";
  EXPECT_TRUE(s.extractQuoted('"', 0).isEmpty());
  EXPECT_EQ(bytes(s), "x\"y\"");
  EXPECT_EQ(bytes(s.extractQuoted('"', 1)), "y");
  EXPECT_EQ(bytes(s), "x");
}

TEST(StringPieces, NextAtomSplitsACommandLine) {
  String s("  /a  /d:\"x y\"");
  EXPECT_EQ(bytes(s.nextAtom()), "/a");
  EXPECT_EQ(bytes(s.nextAtom()), "/d:x y");
  EXPECT_TRUE(s.nextAtom().isEmpty());
  EXPECT_TRUE(s.isEmpty());
  s = "/d:\"C:\\My Dir\"x rest";
  EXPECT_EQ(bytes(s.nextAtom()), "/d:C:\\My Dirx");
  EXPECT_EQ(bytes(s), "rest");
}

TEST(StringPieces, PopLineHandlesEveryLineEnd) {
  String s("a\r\nb\n\rc\rd\ne");
  s.appendChar('\0');
  s.append("f");
  EXPECT_EQ(bytes(s.popLine()), "a");
  EXPECT_EQ(bytes(s.popLine()), "b");
  EXPECT_EQ(bytes(s.popLineWithEnd()), "c\r");
  EXPECT_EQ(bytes(s.popLineWithEnd()), "d\n");
  EXPECT_EQ(bytes(s.popLineWithEnd()), std::string("e\0", 2));
  EXPECT_EQ(bytes(s.popLine()), "f");
  EXPECT_TRUE(s.isEmpty());
  s = "\r\n\r\n";  // two empty lines, not one
  EXPECT_TRUE(s.popLine().isEmpty());
  EXPECT_EQ(bytes(s), "\r\n");
}

TEST(StringReplace, ReplaceAllInEveryDirection) {
  String s("<os>a<os>b<os>");
  EXPECT_EQ(s.replaceAll("<os>", "C:\\WINDOWS"), 3);
  EXPECT_EQ(bytes(s), "C:\\WINDOWSaC:\\WINDOWSbC:\\WINDOWS");
  EXPECT_EQ(s.replaceAll("C:\\WINDOWS", "<x>"), 3);
  EXPECT_EQ(bytes(s), "<x>a<x>b<x>");
  EXPECT_EQ(s.replaceAll("<X>", "[y]", false), 3);
  EXPECT_EQ(bytes(s), "[y]a[y]b[y]");
  EXPECT_EQ(s.replaceAll("", "z"), 0);
  EXPECT_EQ(s.replaceAll("[y]", nullptr), 3);
  EXPECT_EQ(bytes(s), "ab");
  s = "aaaa";
  EXPECT_EQ(s.replaceAll("aa", "a"), 2);  // matches never overlap
  EXPECT_EQ(bytes(s), "aa");
  s = "aa";
  EXPECT_EQ(s.replaceAll("a", "aa"), 2);  // replaced text is not searched again
  EXPECT_EQ(bytes(s), "aaaa");
  s = "self";
  EXPECT_EQ(s.replaceAll(s.cStr(), "x"), 1);
  EXPECT_EQ(bytes(s), "x");
}

TEST(StringNumbers, ParsingAndConversion) {
  EXPECT_EQ(String("Size: 1,234 KB").toInt(), 1234);
  EXPECT_EQ(String("none").toInt(), 0);
  EXPECT_EQ(String("x -42y").toInt(), -42);
  EXPECT_DOUBLE_EQ(String("v 1,234.5").toReal(), 1234.5);
  EXPECT_DOUBLE_EQ(String("abc").toReal(), 0.0);
  EXPECT_EQ(parseInt("+17x"), 17);
  EXPECT_EQ(parseInt("-0"), 0);
  EXPECT_EQ(parseInt(nullptr), 0);
  EXPECT_EQ(parseInt("99999999999"), static_cast<int>(99999999999LL & 0xFFFFFFFF));

  String s("12,-7");
  int pos = 0;
  EXPECT_EQ(s.parseIntAt(&pos), 12);
  EXPECT_EQ(pos, 2);
  ++pos;
  EXPECT_EQ(s.parseIntAt(&pos), -7);
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(s.parseIntAt(&pos), INT_MIN);
  EXPECT_EQ(pos, 5);
  pos = -1;
  EXPECT_EQ(s.parseIntAt(&pos), INT_MIN);
  EXPECT_EQ(s.parseIntAt(nullptr), INT_MIN);

  EXPECT_EQ(bytes(fromInt(INT_MIN)), "-2147483648");
  EXPECT_EQ(bytes(groupedNumber(123456)), "123,456");
  EXPECT_EQ(bytes(groupedNumber(1234)), "1234");
  EXPECT_EQ(bytes(groupedNumber(12345)), "12,345");
  EXPECT_EQ(bytes(groupedNumber(1048576)), "1,048,576");
  EXPECT_EQ(bytes(groupedNumber(0)), "0");
  EXPECT_EQ(bytes(groupedNumber(INT64_MAX)), "9,223,372,036,854,775,807");
  EXPECT_EQ(bytes(groupedNumber(-123456)), "-123,456");

  EXPECT_EQ(roundUp(10, 4), 12);
  EXPECT_EQ(roundUp(12, 4), 12);
  EXPECT_EQ(roundUp(10, 1), 10);
  EXPECT_EQ(roundUp(10, -4), 10);
  EXPECT_EQ(roundUp(-5, 4), -4);
  EXPECT_EQ(clampInt(-1, 0, 9), 0);
  EXPECT_EQ(clampInt(10, 0, 9), 9);
  EXPECT_EQ(clampInt(5, 0, 9), 5);
}

TEST(StringNumbers, ChecksumGoldenVectors) {
  EXPECT_EQ(checksumBytes(nullptr, 5), 0x79E2BC9Du);
  EXPECT_EQ(checksumBytes("abc", 0), 0x79E2BC9Du);
  EXPECT_EQ(String("abc").checksum(), 0x79E2BDC6u);
  EXPECT_EQ(String("abcd").checksum(), 0xDE461F02u);
  EXPECT_EQ(checksumBytes("\xFF", 1), 0x79E2BC9Du);
  EXPECT_EQ(String().checksum(), 0x79E2BC9Du);
}

TEST(StringCase, CharacterClassesAreAsciiOnly) {
  String s("abc-XYZ\xE9");
  s.makeUpper();
  EXPECT_EQ(bytes(s), "ABC-XYZ\xE9");
  EXPECT_TRUE(isSpace('\t') && isSpace('\r') && !isSpace('\v'));
  EXPECT_FALSE(isLetter('\xE9'));
  EXPECT_FALSE(isDigit('\xB2'));
  EXPECT_EQ(compareBytes("ABC", "abd", 3, false), -1);
}

TEST(RatioStepper, SpreadsATotalEvenly) {
  RatioStepper up(10, 4);
  EXPECT_EQ(up.next(), 2);
  EXPECT_EQ(up.next(), 3);
  EXPECT_EQ(up.next(), 2);
  EXPECT_EQ(up.next(), 3);
  for (int total : {-255, -10, -1, 0, 7, 255, INT_MIN, INT_MAX}) {
    for (int count : {1, 3, -4, 224, INT_MIN}) {
      RatioStepper stepper(total, count);
      int64_t sum = 0;
      int low = INT_MAX, high = INT_MIN;
      const int steps = count == INT_MIN ? 1000 : (count < 0 ? -count : count);
      for (int i = 0; i < steps; ++i) {
        const int step = stepper.next();
        sum += step;
        low = std::min(low, step);
        high = std::max(high, step);
      }
      EXPECT_LE(high - low, 1) << total << " over " << count;
      if (count != INT_MIN) {
        const int64_t expected = (count < 0) ? -int64_t(total) : int64_t(total);
        EXPECT_EQ(sum, expected) << total << " over " << count;
      }
    }
  }
}

}  // namespace
