#include "setup/portable/destination.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char ProgramFiles[] = "C:\\Program Files";

TEST(Destination, DefaultDirectoryFromEveryFormOfTheHeaderValue) {
  const char* cases[][2] = {
      {"", "C:\\Program Files\\My <os>"},  // the product name is no template
      {"Vendor\\App", "C:\\Program Files\\Vendor\\App"}, {"D:\\Apps", "D:\\Apps"},
      {"\\Apps", "C:\\Apps"}, {"D:App", "D:\\Program Files\\App"},
      {"<OS>\\A<os>", "C:\\WIN\\AC:\\WIN"}, {"<MASTER>", "<MASTER>"},
      {"<master>\\x", "C:\\Program Files\\<master>\\x"}, {"\\\\server\\share", "\\\\server\\share"}};
  for (auto& c : cases)
    EXPECT_STREQ(PrepareDefaultInstallDir(c[0], "My <os>", "C:\\WIN", ProgramFiles).cStr(), c[1]) << c[0];
}

bool onlyDrivesCAndD(char letter) { return letter == 'C' || letter == 'D'; }

TEST(Destination, ChecksOfTheDirectoryDialogInTheirOrder) {
  using D = DestinationCheck;
  const struct { const char* typed; D expected; } cases[] = {
      {"", D::Empty}, {"d:\\x", D::Accepted}, {"C:\\Program Files\\App", D::Accepted},
      {"Apps", D::Invalid}, {"C:Apps", D::Invalid}, {"\\Apps", D::Invalid},
      {"C:\\A:B", D::Invalid}, {"C:\\A;B", D::Invalid}, {"C:\\A\tB", D::Invalid},
      {"\"C:\\Apps\"", D::Invalid}, {"C:\\A\"B", D::Invalid},
      {"E:\\Apps", D::NoSuchDrive}, {"1:\\Apps", D::NoSuchDrive}, {"E:\\", D::NoSuchDrive},
      {"C:\\", D::Root}, {"c:\\PROGRAM FILES\\\\", D::ProgramFiles}};
  for (auto& c : cases) EXPECT_EQ(CheckDestination(c.typed, ProgramFiles, onlyDrivesCAndD), c.expected) << c.typed;
  EXPECT_EQ(CheckDestination(ProgramFiles, "C:\\Program Files\\", onlyDrivesCAndD), D::ProgramFiles);
}

TEST(Destination, ClusterRoundingA64BitSumAndEqualIsNotEnough) {
  Array<int32_t> sizes;
  for (int32_t s : {1, 4096, 4097, 0}) sizes.addLast(s);
  EXPECT_EQ(RequiredSpace(sizes, 4096), 4 * 4096);
  EXPECT_EQ(RequiredSpace(sizes, 1), 8194);
  EXPECT_EQ(RequiredSpace(sizes, 0), 8194);
  Array<int32_t> large;
  for (int i = 0; i < 3; ++i) large.addLast(INT32_MAX);
  EXPECT_EQ(RequiredSpace(large, 512), 3 * (int64_t(1) << 31));
  EXPECT_TRUE(IsEnoughSpace(4095, 4096));
  EXPECT_FALSE(IsEnoughSpace(4096, 4096));
}

}  // namespace
