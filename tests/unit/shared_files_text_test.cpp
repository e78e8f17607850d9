#include "setup/portable/shared_files_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> readAll(const String& text) {
  std::vector<std::string> names;
  int position = 0;
  String name;
  while (NextSharedName(text, position, name)) names.push_back(std::string(name.cStr(), name.length()));
  return names;
}

TEST(SharedFilesText, RoundTripOfNamesWithQuotesAndSemicolons) {
  const std::vector<std::string> names = {"a.dll", "sub\\b", "q\"", "\"\"", ";", "x\";\"y", "a.dll"};
  String text;
  for (const std::string& n : names) AppendSharedName(text, n.c_str());
  AppendSharedName(text, "");
  EXPECT_STREQ(text.substring(0, 18).cStr(), "\"a.dll\";\"sub\\b\";\"q");
  EXPECT_EQ(readAll(text), names);
}

TEST(SharedFilesText, MalformedTextStopsBeforeAnyPartialName) {
  const struct { const char* text; std::vector<std::string> names; } cases[] = {
      {"a.dll", {}}, {";\"a\"", {}}, {"\"a\";;\"b\"", {"a"}}, {"\"a\" ;\"b\"", {"a"}},
      {"\"a\";\"\";\"b\"", {"a"}}, {"\"a\";\"cut", {"a"}}, {"\"a\";\"cut\"\"", {"a"}}, {"\"", {}}};
  for (auto& c : cases) EXPECT_EQ(readAll(c.text), c.names) << c.text;
  String name("stale");
  int position = 3;
  EXPECT_FALSE(NextSharedName("\"a\";\"b", position, name));
  EXPECT_EQ(position, 3);
  EXPECT_TRUE(name.isEmpty());
}

TEST(SharedFilesText, NamesBecomePaths) {
  EXPECT_STREQ(SharedNamePath("sub\\a.dll", "C:\\Common\\V").cStr(), "C:\\Common\\V\\sub\\a.dll");
  EXPECT_STREQ(SharedNamePath("D:\\Old\\a.dll", "C:\\Common\\V").cStr(), "D:\\Old\\a.dll");
  EXPECT_STREQ(SharedNamePath("\\\\server\\a.dll", "C:\\Common\\V").cStr(), "\\\\server\\a.dll");
}

}  // namespace
