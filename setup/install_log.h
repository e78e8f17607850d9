// The outcome of an installation: the completion box or the offer to open
// the log, and the entry appended to "Install.LOG".
#pragma once

#include "core/core32.h"

constexpr char InstallLogFileName[] = "Install.LOG";

// Reports success (message 42/43) or problems (message 40/41, offering to
// open the log), and appends an entry to the log in the uninstall directory
// when the product always logs, the run had problems or files were
// replaced.
void WriteInstallLog(String errorLog, const String& replacementLog, const String& installDir, bool isReinstall,
                     bool show);
