#include "setup/portable/removal_list.h"

#include <gtest/gtest.h>

#include <string>

TEST(RemovalList, DirectoriesOnceInTheirFirstSpellingFilesEveryTime) {
  ClearRemovalList();
  for (const char* dir : {"C:\\App\\Sub", "", "c:\\app\\SUB", "C:\\App", "C:\\App\\Sub\\"}) {
    RecordForRemoval(dir, true);
    RecordForRemoval(dir, false);
  }
  std::string expected = "~C:\\App\\Sub\r\nC:\\App\\Sub\r\nc:\\app\\SUB\r\n~C:\\App\r\nC:\\App\r\n"
                         "~C:\\App\\Sub\\\r\nC:\\App\\Sub\\\r\n";
  for (int i = 0; i < 100; ++i) {  // more directories than buckets
    RecordForRemoval(String("D") + fromInt(i), true);
    RecordForRemoval(String("d") + fromInt(i), true);
    expected += "~D" + std::to_string(i) + "\r\n";
  }
  EXPECT_STREQ(RemovalListText().cStr(), expected.c_str());
  ClearRemovalList();
  RecordForRemoval("c:\\app", true);
  EXPECT_STREQ(RemovalListText().cStr(), "~c:\\app\r\n");
  ClearRemovalList();
}
