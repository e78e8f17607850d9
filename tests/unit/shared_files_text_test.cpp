// Writing and reading back the SharedFiles text.
#include "setup/portable/shared_files_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string str(const String& s) { return std::string(s.cStr(), s.length()); }

std::vector<std::string> readAll(const String& text) {
  std::vector<std::string> names;
  int position = 0;
  String name;
  while (NextSharedName(text, position, name)) names.push_back(str(name));
  EXPECT_TRUE(name.isEmpty());
  return names;
}

TEST(SharedFilesText, RoundTripOfAwkwardNames) {
  const std::vector<std::string> names = {
      "a.dll", "sub\\b.dll", "q\"uote", "\"", "\"\"", ";", "semi;colon;", "x\";\"y", " blank ", "a.dll"};
  String text;
  for (const std::string& n : names) AppendSharedName(text, n.c_str());
  EXPECT_EQ(str(text).substr(0, 22), "\"a.dll\";\"sub\\b.dll\";\"q");
  EXPECT_EQ(readAll(text), names);

  String skipped;
  AppendSharedName(skipped, "");
  AppendSharedName(skipped, "x");
  AppendSharedName(skipped, "");
  EXPECT_EQ(str(skipped), "\"x\"");
}

TEST(SharedFilesText, MalformedTextStopsWithoutAPartialName) {
  struct Case {
    const char* text;
    std::vector<std::string> names;
  } cases[] = {
      {"", {}},
      {"a.dll", {}},                         // no quote at the start
      {";\"a\"", {}},
      {"\"a\";;\"b\"", {"a"}},                // only one ";" is dropped
      {"\"a\" ;\"b\"", {"a"}},
      {"\"a\"\"b\"", {"a\"b"}},               // a doubled quote, not two names
      {"\"a\";\"\";\"b\"", {"a"}},            // an empty section ends the list
      {"\"a\";\"unterminated", {"a"}},
      {"\"a\";\"cut\"\"", {"a"}},             // ends inside a doubled quote
      {"\"a\";", {"a"}},
      {"\"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(readAll(c.text), c.names) << c.text;

  String text("\"a\"");
  String name("stale");
  for (int position : {-1, 3, 99}) {
    const int before = position;
    EXPECT_FALSE(NextSharedName(text, position, name));
    EXPECT_EQ(position, before);
    EXPECT_TRUE(name.isEmpty());
  }
}

TEST(SharedFilesText, NamesBecomePaths) {
  const char* shared = "C:\\Program Files\\Common Files\\Vendor";
  EXPECT_EQ(str(SharedNamePath("a.dll", shared)), "C:\\Program Files\\Common Files\\Vendor\\a.dll");
  EXPECT_EQ(str(SharedNamePath("sub\\a.dll", shared)), "C:\\Program Files\\Common Files\\Vendor\\sub\\a.dll");
  EXPECT_EQ(str(SharedNamePath("D:\\Old\\a.dll", shared)), "D:\\Old\\a.dll");
  EXPECT_EQ(str(SharedNamePath("\\\\server\\a.dll", shared)), "\\\\server\\a.dll");
  EXPECT_EQ(str(SharedNamePath("a.dll", "")), "a.dll");
}

}  // namespace
