#include "setup/portable/version_number.h"

#include <gtest/gtest.h>

#include "archive/format.h"

namespace {

TEST(VersionNumber, FirstNumberAndLeadingNumber) {
  const struct { const char* text; double first, leading; } cases[] = {
      {"2.10", 2.1, 2.1}, {"1,234.5", 1234.5, 1}, {"v3", 3, 0}, {"", 0, 0}, {"-1.5", -1.5, -1.5},
      {"  +.5e1x", 5, 5}, {"2e", 2, 2}, {"1.5E-1", 0.15, 0.15}, {".", 0, 0}, {"inf", 0, 0}};
  for (auto& c : cases) {
    EXPECT_DOUBLE_EQ(VersionNumber(c.text), c.first) << c.text;
    EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.leading) << c.text;
  }
  EXPECT_DOUBLE_EQ(LeadingNumber("0x1A"), 0);  // whatever the runtime's atof does with it
  EXPECT_EQ(ReinstallQuestionText(0, 2), MsgReinstallVersionUnknown);
  EXPECT_EQ(ReinstallQuestionText(__builtin_nan(""), 2), MsgReinstallVersionUnknown);
  EXPECT_EQ(ReinstallQuestionText(2.1, 2.1), MsgReinstallSameVersion);
  EXPECT_EQ(ReinstallQuestionText(2.1, 2.2), MsgReinstallOlderInstalled);
  EXPECT_EQ(ReinstallQuestionText(3, 2.9), MsgReinstallNewerInstalled);
}

TEST(VersionNumber, MajorAndMinor) {
  const struct { const char* text; bool found; int32_t major, minor; } cases[] = {
      {"2.10", true, 2, 10}, {"1,234.5", true, 1234, 5}, {"v3.1b", true, 3, 1}, {"2.", true, 2, 0},
      {"2.-3", true, 2, -3}, {"1.2.3", true, 1, 2}, {"7", false, -1, -1}};
  for (auto& c : cases) {
    int32_t major = -1, minor = -1;
    EXPECT_EQ(VersionParts(c.text, major, minor), c.found) << c.text;
    EXPECT_EQ(major * 1000 + minor, c.major * 1000 + c.minor) << c.text;
  }
}

}  // namespace
