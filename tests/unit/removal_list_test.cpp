// The removal list of the uninstaller.
#include "setup/portable/removal_list.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string text() { return std::string(RemovalListText().cStr(), RemovalListText().length()); }

TEST(RemovalList, DirectoriesOnceInTheirFirstSpellingFilesEveryTime) {
  ClearRemovalList();
  RecordForRemoval("C:\\App\\Sub", true);
  RecordForRemoval("C:\\App\\Sub\\a.txt", false);
  RecordForRemoval("c:\\app\\SUB", true);
  RecordForRemoval("C:\\App\\Sub\\a.txt", false);
  RecordForRemoval("", true);
  RecordForRemoval("", false);
  RecordForRemoval("C:\\App", true);
  RecordForRemoval("C:\\App\\Sub\\", true);  // another text: not the same entry
  for (int i = 0; i < 100; ++i) RecordForRemoval(String("C:\\D") + fromInt(i), true);
  RecordForRemoval("c:\\d42", true);

  std::string expected =
      "~C:\\App\\Sub\r\nC:\\App\\Sub\\a.txt\r\nC:\\App\\Sub\\a.txt\r\n~C:\\App\r\n~C:\\App\\Sub\\\r\n";
  for (int i = 0; i < 100; ++i) expected += "~C:\\D" + std::to_string(i) + "\r\n";
  EXPECT_EQ(text(), expected);

  ClearRemovalList();
  EXPECT_EQ(text(), "");
  RecordForRemoval("C:\\app\\sub", true);  // forgotten by the clear
  EXPECT_EQ(text(), "~C:\\app\\sub\r\n");
  ClearRemovalList();
}

}  // namespace
