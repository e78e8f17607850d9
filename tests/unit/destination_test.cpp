// The default installation directory, the directory dialog's checks and
// the disk space the files need.
#include "setup/portable/destination.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string str(const String& s) { return std::string(s.cStr(), s.length()); }

const char ProgramFiles[] = "C:\\Program Files";

TEST(DefaultInstallDir, EveryFormOfTheHeaderValue) {
  struct Case {
    const char* header;
    const char* expected;
  } cases[] = {
      {"", "C:\\Program Files\\My App"},              // the product name, below Program Files
      {"Vendor\\App", "C:\\Program Files\\Vendor\\App"},
      {"D:\\Apps\\App", "D:\\Apps\\App"},             // drive and backslash: as it is
      {"\\Apps\\App", "C:\\Apps\\App"},               // the drive of Program Files
      {"D:App", "D:\\Program Files\\App"},            // Program Files' directory on that drive
      {"<os>\\App", "C:\\WINDOWS\\App"},
      {"<OS>\\A<os>", "C:\\WINDOWS\\AC:\\WINDOWS"},
      {"<master>", "<master>"},
      {"<MASTER>", "<MASTER>"},
      {"<master>\\x", "C:\\Program Files\\<master>\\x"},
      {"\\\\server\\share", "\\\\server\\share"},     // UNC stays
  };
  for (const Case& c : cases) {
    EXPECT_EQ(str(PrepareDefaultInstallDir(c.header, "My App", "C:\\WINDOWS", ProgramFiles)), c.expected)
        << c.header;
  }
  // The product name is not a template; a Program Files root gets no doubled backslash.
  EXPECT_EQ(str(PrepareDefaultInstallDir("", "<os>", "C:\\WINDOWS", "E:\\")), "E:\\<os>");
}

bool onlyDrivesCAndD(char letter) { return letter == 'C' || letter == 'D'; }

TEST(DestinationCheck, EachCheckInTheDialogLoopsOrder) {
  struct Case {
    const char* typed;
    DestinationCheck expected;
  } cases[] = {
      {"", DestinationCheck::Empty},
      {"C:\\Apps\\Tool", DestinationCheck::Accepted},
      {"d:\\x", DestinationCheck::Accepted},          // the letter is upper-cased for the lookup
      {"C:\\Program Files\\App", DestinationCheck::Accepted},
      {"Apps\\Tool", DestinationCheck::Invalid},      // no drive
      {"C:Apps", DestinationCheck::Invalid},          // drive without backslash
      {"\\Apps", DestinationCheck::Invalid},
      {"C:\\Apps:Tool", DestinationCheck::Invalid},   // a colon elsewhere
      {"C:\\A;B", DestinationCheck::Invalid},
      {"C:\\A*", DestinationCheck::Invalid},
      {"C:\\A\tB", DestinationCheck::Invalid},
      {"\"C:\\Apps\"", DestinationCheck::Invalid},    // quotes do not make it a drive path
      {"C:\\A\"B", DestinationCheck::Invalid},
      {"E:\\Apps", DestinationCheck::NoSuchDrive},
      {"1:\\Apps", DestinationCheck::NoSuchDrive},    // no letter, no drive
      {"E:\\", DestinationCheck::NoSuchDrive},        // drive before root
      {"C:\\", DestinationCheck::Root},
      {"C:\\Program Files", DestinationCheck::ProgramFiles},
      {"c:\\PROGRAM FILES\\\\", DestinationCheck::ProgramFiles},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CheckDestination(c.typed, ProgramFiles, onlyDrivesCAndD), c.expected) << c.typed;
  // A Program Files directory stored with a trailing backslash matches too.
  EXPECT_EQ(CheckDestination("C:\\Program Files", "C:\\Program Files\\", onlyDrivesCAndD),
            DestinationCheck::ProgramFiles);
}

TEST(DiskSpace, ClusterRoundingAndA64BitSum) {
  Array<int32_t> sizes;
  for (int32_t s : {1, 4096, 4097, 0}) sizes.addLast(s);
  EXPECT_EQ(RequiredSpace(sizes, 4096), 4096 + 4096 + 8192);
  EXPECT_EQ(RequiredSpace(sizes, 1), 1 + 4096 + 4097);
  EXPECT_EQ(RequiredSpace(sizes, 0), 1 + 4096 + 4097);
  EXPECT_EQ(RequiredSpace(Array<int32_t>(), 4096), 0);

  Array<int32_t> large;
  for (int i = 0; i < 3; ++i) large.addLast(INT32_MAX);
  // Each rounds up to 2^31; the sum is far past 32 bits.
  EXPECT_EQ(RequiredSpace(large, 512), 3 * (int64_t(1) << 31));
  EXPECT_EQ(RequiredSpace(large, 1), 3 * int64_t(INT32_MAX));

  EXPECT_TRUE(IsEnoughSpace(4095, 4096));
  EXPECT_FALSE(IsEnoughSpace(4096, 4096));  // equal is not enough
  EXPECT_FALSE(IsEnoughSpace(int64_t(1) << 33, (int64_t(1) << 32) + 1));
}

}  // namespace
