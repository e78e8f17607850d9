#include "setup/portable/replacement_policy.h"

#include <gtest/gtest.h>

#include "archive/format.h"

namespace {

TEST(ReplacementPolicy, ExistenceRules) {
  using E = ExistenceDecision;
  const struct { int32_t options; E absent, present; } cases[] = {
      {AlwaysInstall, E::Install, E::Install}, {OnlyIfPresent, E::Skip, E::Install},
      {OnlyIfAbsent | DesktopShortcutOption, E::Install, E::SkipAndRecordForRemoval},
      {InvalidExistenceRule, E::Skip, E::Skip}};
  for (auto& c : cases) {
    EXPECT_EQ(ApplyExistenceRule(c.options, false), c.absent) << c.options;
    EXPECT_EQ(ApplyExistenceRule(c.options, true), c.present) << c.options;
  }
}

const DateTimeStamp NoTime = {}, Older = {2001, 5, 6, 12, 0, 0}, Newer = {2001, 5, 6, 12, 0, 1};

TEST(ReplacementPolicy, SharedAndFontFilesByDate) {
  EXPECT_TRUE(FileIsOutOfDate(NoTime, true, Newer));
  EXPECT_TRUE(FileIsOutOfDate(Newer, false, NoTime));
  EXPECT_TRUE(FileIsOutOfDate(Newer, true, Older));
  EXPECT_FALSE(FileIsOutOfDate(Newer, true, Newer));
}

TEST(ReplacementPolicy, SystemFilesByVersionThenDate) {
  using S = SystemFileDecision;
  const char *v1 = "0000000001.0000000002", *v2 = "0000000001.0000000010";
  const struct { const char *record, *installed; bool known; DateTimeStamp time; S expected; } cases[] = {
      {v2, v1, true, Older, S::Replace}, {v1, v2, true, Older, S::VersionNotNewer},
      {v1, v1, true, Older, S::VersionNotNewer}, {"\xC0", "Z", true, Older, S::Replace},
      {" \t", v2, true, Newer, S::DateNotNewer}, {v1, "", true, Newer, S::DateNotNewer},
      {v2, v1, false, NoTime, S::SkipUnknownDate}, {v1, v2, false, NoTime, S::VersionNotNewer}};
  for (auto& c : cases)  // the archived time is Newer throughout
    EXPECT_EQ(DecideSystemFile(c.record, c.installed, Newer, c.known, c.time), c.expected) << c.record;
  EXPECT_EQ(DecideSystemFile(v2, v1, NoTime, true, Older), S::DateNotNewer);
  EXPECT_STREQ(SystemFileLogLine(S::VersionNotNewer), VersionNotNewerLine);
  EXPECT_STREQ(SystemFileLogLine(S::SkipUnknownDate), "");
}

}  // namespace
