// Existence rules and the replacement of shared, font and system files.
#include "setup/portable/replacement_policy.h"

#include <gtest/gtest.h>

#include "archive/format.h"

namespace {

using E = ExistenceDecision;
using S = SystemFileDecision;

TEST(ExistenceRule, EachRuleWithAndWithoutAFile) {
  struct Case {
    int32_t options;
    E absent, present;
  } cases[] = {
      {AlwaysInstall, E::Install, E::Install},
      {OnlyIfPresent, E::Skip, E::Install},
      {OnlyIfAbsent, E::Install, E::SkipAndRecordForRemoval},
      {OnlyIfAbsent | DesktopShortcutOption | StartMenuShortcutOption, E::Install,
       E::SkipAndRecordForRemoval},  // shortcut bits do not change the rule
      {InvalidExistenceRule, E::Skip, E::Skip},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ApplyExistenceRule(c.options, false), c.absent) << c.options;
    EXPECT_EQ(ApplyExistenceRule(c.options, true), c.present) << c.options;
  }
}

const DateTimeStamp NoTime = {};
const DateTimeStamp Older = {2001, 5, 6, 12, 0, 0};
const DateTimeStamp Newer = {2001, 5, 6, 12, 0, 1};

TEST(OutOfDate, EmptyAndUnknownTimesCountAsOutOfDate) {
  EXPECT_TRUE(FileIsOutOfDate(NoTime, true, Newer));
  EXPECT_TRUE(FileIsOutOfDate(Newer, false, NoTime));
  EXPECT_TRUE(FileIsOutOfDate(Newer, true, Older));
  EXPECT_FALSE(FileIsOutOfDate(Newer, true, Newer));
  EXPECT_FALSE(FileIsOutOfDate(Older, true, Newer));
}

TEST(SystemFile, VersionFirstThenDate) {
  const char* v1 = "0000000001.0000000002";
  const char* v2 = "0000000001.0000000010";
  struct Case {
    const char* record;
    const char* installed;
    bool known;
    DateTimeStamp installedTime;
    S expected;
  } cases[] = {
      // Archived time is Newer throughout.
      {v2, v1, true, Older, S::Replace},
      {v1, v2, true, Older, S::VersionNotNewer},
      {v1, v1, true, Older, S::VersionNotNewer},    // equal is not newer
      {v1, "0000000001", true, Older, S::Replace},  // longer text is greater
      {"", v2, true, Older, S::Replace},            // blank record version: dates decide
      {" \t", v2, true, Newer, S::DateNotNewer},
      {v1, "", true, Newer, S::DateNotNewer},       // no version resource: dates decide
      {v2, v1, true, Newer, S::DateNotNewer},       // equal dates keep the installed copy
      {v2, v1, false, NoTime, S::SkipUnknownDate},
      {v1, v2, false, NoTime, S::VersionNotNewer},  // the version is decided first
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideSystemFile(c.record, c.installed, Newer, c.known, c.installedTime), c.expected)
        << c.record << " / " << c.installed;
  }
  // Without a time in the archive a system file is never replaced by date.
  EXPECT_EQ(DecideSystemFile(v2, v1, NoTime, true, Older), S::DateNotNewer);
  // Bytes compare unsigned: a high byte sorts after ASCII.
  EXPECT_EQ(DecideSystemFile("\xC0", "Z", Newer, true, Older), S::Replace);
}

TEST(SystemFile, LogLines) {
  EXPECT_STREQ(SystemFileLogLine(S::Replace), OutOfDateLine);
  EXPECT_STREQ(SystemFileLogLine(S::VersionNotNewer), VersionNotNewerLine);
  EXPECT_STREQ(SystemFileLogLine(S::DateNotNewer), DateNotNewerLine);
  EXPECT_STREQ(SystemFileLogLine(S::SkipUnknownDate), "");
}

}  // namespace
