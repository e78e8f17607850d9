// Checks the Wine test environment itself: if these fail, every other Win32
// test result is meaningless.
#include <gtest/gtest.h>
#include <windows.h>

TEST(WineEnvironment, HasWindowsDirectoryAndDesktop) {
  char dir[MAX_PATH] = {0};
  ASSERT_GT(GetWindowsDirectoryA(dir, MAX_PATH), 0u);
  EXPECT_EQ(dir[1], ':');
  // The virtual desktop of the test prefix gives a full-size screen.
  EXPECT_GE(GetSystemMetrics(SM_CXSCREEN), 640);
  EXPECT_GE(GetSystemMetrics(SM_CYSCREEN), 480);
}
