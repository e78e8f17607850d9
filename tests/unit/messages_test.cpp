// The message table: reading it from a header, the lookup with its
// placeholders, the process-wide Message, and the "[Strings]" section the
// uninstaller keeps.
#include "archive/messages.h"

#include <gtest/gtest.h>

#include <string>

#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"

namespace {

// Language count, message count, names and texts, then the end magic.
ByteStream tableBlock(uint8_t languages, int32_t messages, const std::string& texts) {
  ByteStream block;
  block.appendBytes(&languages, 1);
  block.appendBytes(&messages, 4);  // little-endian hosts only
  block.appendBytes(texts.data(), static_cast<int32_t>(texts.size()));
  const uint32_t endMagic = HeaderEndMagic;
  block.appendBytes(&endMagic, 4);
  block.seek(0);
  return block;
}

// The bytes of a literal that holds NULs, without its own terminator.
template <size_t N>
std::string bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

int WindowsDirectoryAsked = 0;
String fakeWindowsDirectory() {
  ++WindowsDirectoryAsked;
  return "C:\\WINDOWS";
}

TEST(MessageTableTest, ReadsNamesAndTextsMessageByMessage) {
  MessageTable table;
  ByteStream block = tableBlock(2, 2, bytes("English\0Deutsch\0Yes\0Ja\0No\0Nein\0"));
  ASSERT_EQ(table.read(block), 0);
  EXPECT_EQ(block.remaining(), 4) << "the end magic follows";
  EXPECT_STREQ(table.languageName(1).cStr(), "Deutsch");
  EXPECT_TRUE(table.languageName(2).isEmpty());
  EXPECT_STREQ(table.lookup(1, 1, "", nullptr).cStr(), "Nein");
  EXPECT_TRUE(table.lookup(2, 0, "", nullptr).isEmpty());
  EXPECT_TRUE(table.lookup(0, 2, "", nullptr).isEmpty());
  EXPECT_TRUE(table.lookup(-1, 0, "", nullptr).isEmpty());
}

TEST(MessageTableTest, ShortOrMiscountedTablesAreRefused) {
  MessageTable table;
  ByteStream noLanguage = tableBlock(0, 1, bytes("x\0"));
  EXPECT_EQ(table.read(noLanguage), 30);
  ByteStream tooMany = tableBlock(1, 10001, bytes("x\0"));
  EXPECT_EQ(table.read(tooMany), 31);
  // 255 languages of 10000 messages cannot fit in these few bytes.
  ByteStream huge = tableBlock(255, 10000, std::string(255, '\0'));
  EXPECT_EQ(table.read(huge), 32);
  ByteStream unterminated = tableBlock(1, 2, bytes("a\0b"));
  EXPECT_EQ(table.read(unterminated), 32);
  EXPECT_TRUE(table.isEmpty());
}

TEST(MessageTableTest, PlaceholdersAreFilledOnceAtTheFirstLookup) {
  MessageTable table;
  ASSERT_TRUE(table.setText(0, "<PRODUCT> in <Os>\\<product>"));
  ASSERT_TRUE(table.setText(1, "plain"));
  WindowsDirectoryAsked = 0;
  const String& first = table.lookup(0, 0, "Demo", fakeWindowsDirectory);
  EXPECT_STREQ(first.cStr(), "Demo in C:\\WINDOWS\\Demo");
  EXPECT_EQ(&table.lookup(0, 0, "Other", fakeWindowsDirectory), &first);
  EXPECT_STREQ(first.cStr(), "Demo in C:\\WINDOWS\\Demo");
  EXPECT_STREQ(table.lookup(1, 0, "Demo", fakeWindowsDirectory).cStr(), "plain");
  EXPECT_EQ(WindowsDirectoryAsked, 1) << "only for a text with <os>";
  // A replaced text leaves the earlier reference valid.
  ASSERT_TRUE(table.setText(0, "new"));
  EXPECT_STREQ(first.cStr(), "Demo in C:\\WINDOWS\\Demo");
  EXPECT_STREQ(table.lookup(0, 0, "Demo", nullptr).cStr(), "new");
}

TEST(MessageTableTest, ProcessWideMessageUsesLanguageAndProductName) {
  Messages.clear();
  EXPECT_TRUE(Message(0).isEmpty()) << "no table yet";
  ByteStream block = tableBlock(2, 1, bytes("A\0B\0<product> one\0<product> two\0"));
  ASSERT_EQ(Messages.read(block), 0);
  ProductName = "Demo";
  LanguageIndex = 1;
  EXPECT_STREQ(Message(0).cStr(), "Demo two");
  LanguageIndex = 0;
  EXPECT_STREQ(Message(0).cStr(), "Demo one");
  Messages.clear();
  ProductName = "";
}

TEST(StringsSectionTest, WrittenSectionReadsBack) {
  Messages.clear();
  LanguageIndex = 0;
  for (int n = 0; n < StandardMessageCount; ++n) Messages.setText(n, formatString("text %d\r\nline 2", n));
  String file("C:\\App\\a.exe\r\n~C:\\App\r\n");
  WriteStringsSection(file);
  ReadStringsSection(file);
  EXPECT_STREQ(file.cStr(), "C:\\App\\a.exe\r\n~C:\\App\r\n\r\n\r\n");
  EXPECT_EQ(Messages.messageCount(), 60);
  EXPECT_STREQ(Message(59).cStr(), "text 59\r\nline 2");
  EXPECT_STREQ(Message(55).cStr(), "text 55\r\nline 2");
  EXPECT_TRUE(Message(11).isEmpty()) << "not an uninstaller message";
  Messages.clear();
}

TEST(StringsSectionTest, HeadersBodiesAndLimits) {
  MessageTable table;
  String file(
      "list\r\n[sTrInGs]\r\n~0\r\nzero\r\n~1001\r\nbig\r\nstray\r\n~7\r\none\r\n\r\ntwo\r\nthree \t\r\n\r\n"
      "~x5\r\nfive\r\n~7\nseven");
  ASSERT_TRUE(TakeStringsSection(file, table));
  EXPECT_STREQ(file.cStr(), "list\r\n");
  EXPECT_EQ(table.messageCount(), 8);
  EXPECT_TRUE(table.lookup(0, 0, "", nullptr).isEmpty());
  EXPECT_STREQ(table.lookup(5, 0, "", nullptr).cStr(), "five") << "the first number of the line";
  EXPECT_STREQ(table.lookup(7, 0, "", nullptr).cStr(), "seven") << "a later entry wins";

  MessageTable multi;
  String three("[Strings]\r\n~3\r\na\r\nb\r\nc\r\n");
  TakeStringsSection(three, multi);
  EXPECT_STREQ(multi.lookup(3, 0, "", nullptr).cStr(), "a\r\nb\r\nc");

  String none("no section here");
  EXPECT_FALSE(TakeStringsSection(none, table));
  EXPECT_STREQ(none.cStr(), "no section here");

  // Only the first 5000 lines are examined as headers; the section's first
  // line is the rest of the "[Strings]" line.
  std::string lines = "[Strings]\n";
  for (int i = 0; i < StringsSectionMaxHeaders - 2; ++i) lines += "x\n";
  lines += "~2\nlast\n~3\ntoo late\n";
  String limited(lines.c_str());
  TakeStringsSection(limited, table);
  EXPECT_STREQ(table.lookup(2, 0, "", nullptr).cStr(), "last");
  EXPECT_TRUE(table.lookup(3, 0, "", nullptr).isEmpty());
}

}  // namespace
