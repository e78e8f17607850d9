// The vendor's batch hooks and the PATH line of the boot drive's
// start-up batch file.
#pragma once

#include "core/core32.h"

// Runs `hookText` through the command interpreter in `directory`, with the
// installation's directories as environment variables, and waits for it
// while keeping the windows painted. True when there was nothing to run or
// the process started.
bool RunBatchHook(const String& directory, const String& hookText, const String& sharedDirectory);

// Adds `directory` to, or removes it from, the PATH line of the boot
// drive's "autoexec.bat". "" on success, else the text to log.
String EditAutoexecPath(const String& directory, bool add);
