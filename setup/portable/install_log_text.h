// The entry an installation appends to its "Install.LOG".
#pragma once

#include "core/core32.h"

struct InstallLogEntry {
  String productName;
  String installDate;  // the local date and time as the uninstall record gives it
  bool isReinstall = false;
  String installDir;
  String productVersion;  // blank leaves out the "Product version" line
  String replacementLog;  // followed by an empty line when not empty
  String errorLog;        // the last text of the entry
};

// The entry, starting with an empty line so that entries appended one after
// the other stay apart.
String InstallLogText(const InstallLogEntry& entry);

// Whether an entry is written: the product always logs, the run had
// problems, or existing files were met.
bool ShouldWriteInstallLog(bool alwaysWriteLog, bool succeeded, const String& replacementLog);
