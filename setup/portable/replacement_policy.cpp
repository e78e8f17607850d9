#include "setup/portable/replacement_policy.h"

#include "archive/format.h"

ExistenceDecision ApplyExistenceRule(int32_t rule, bool fileThere) {
  switch (rule & ExistenceRuleMask) {
    case AlwaysInstall:
      return ExistenceDecision::Install;
    case OnlyIfPresent:
      return fileThere ? ExistenceDecision::Install : ExistenceDecision::Skip;
    case OnlyIfAbsent:
      return fileThere ? ExistenceDecision::SkipAndRecordForRemoval : ExistenceDecision::Install;
    default:
      return ExistenceDecision::Skip;
  }
}

bool FileIsOutOfDate(const DateTimeStamp& archived, bool installedKnown, const DateTimeStamp& installed) {
  return archived.isEmpty() || !installedKnown || installed < archived;
}

SystemFileDecision DecideSystemFile(const String& recordVersion, const String& installedVersion,
                                    const DateTimeStamp& archived, bool installedKnown,
                                    const DateTimeStamp& installed) {
  if (!recordVersion.isBlank() && !installedVersion.isBlank() &&
      recordVersion.compare(installedVersion, true, INT_MAX) <= 0) {
    return SystemFileDecision::VersionNotNewer;
  }
  if (!installedKnown) return SystemFileDecision::SkipUnknownDate;
  if (!(installed < archived)) return SystemFileDecision::DateNotNewer;
  return SystemFileDecision::Replace;
}

const char* SystemFileLogLine(SystemFileDecision decision) {
  switch (decision) {
    case SystemFileDecision::Replace: return OutOfDateLine;
    case SystemFileDecision::VersionNotNewer: return VersionNotNewerLine;
    case SystemFileDecision::DateNotNewer: return DateNotNewerLine;
    default: return "";
  }
}
