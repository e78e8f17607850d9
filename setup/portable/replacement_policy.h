// Whether a file of the package may go where it is headed: the record's
// existence rule, and for shared, font and system files whether the copy
// already installed is older. The Windows side finds out whether a file is
// there and reads its time and version; the decisions are here.
#pragma once

#include <stdint.h>

#include "core/core32.h"
#include "core/date_time_stamp.h"

enum class ExistenceDecision { Install, Skip, SkipAndRecordForRemoval };

// The existence rule of a record (its options masked with ExistenceRuleMask;
// other bits are ignored) against whether a file is at the destination:
// AlwaysInstall installs, OnlyIfPresent needs a file there, OnlyIfAbsent
// needs none and otherwise keeps the file but lists it for removal with the
// product. InvalidExistenceRule, which the record reader already rejects as
// corrupt, skips the file.
ExistenceDecision ApplyExistenceRule(int32_t rule, bool fileThere);

// True when the installed copy should be replaced: the archive has no time
// for the file, the installed file's time is unknown (installedKnown false),
// or the installed time is strictly earlier than the archived one.
bool FileIsOutOfDate(const DateTimeStamp& archived, bool installedKnown, const DateTimeStamp& installed);

enum class SystemFileDecision { Replace, VersionNotNewer, DateNotNewer, SkipUnknownDate };

// A system file over an installed copy. When neither version text is blank,
// a record version that is not greater than the installed one (compared
// byte by byte, the terminator included, so both must be in the same
// normalised form) keeps the installed copy. Then the dates: an unknown
// installed time keeps it silently; an installed time at or after the
// archived one keeps it (so does an archive without a time for the file).
SystemFileDecision DecideSystemFile(const String& recordVersion, const String& installedVersion,
                                    const DateTimeStamp& archived, bool installedKnown,
                                    const DateTimeStamp& installed);

// The replacement log's lines, each after the file's path.
inline constexpr char UpToDateLine[] = " is up to date.\r\n";
inline constexpr char OutOfDateLine[] = " is out of date and will be replaced.\r\n";
inline constexpr char DateNotNewerLine[] = " was not installed because its date is not newer.\r\n";
inline constexpr char VersionNotNewerLine[] = " was not installed because its version is not newer.\r\n";

// The log line of a system-file decision; empty for SkipUnknownDate, which
// logs nothing.
const char* SystemFileLogLine(SystemFileDecision decision);
