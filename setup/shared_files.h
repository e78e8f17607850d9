// Shared files and files in use: the reference counts every product keeps
// under the system's SharedDLLs key, and the replacement at the next restart
// of a file that could not be written over.
#pragma once

#include "core/core32.h"

// Below "Software" of HKEY_LOCAL_MACHINE: one REG_DWORD per shared file,
// named by its full path, counting the products that use it.
constexpr char SharedDllsKey[] = "Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Links MoveFileExA from the system library once, on Windows NT only (the
// 95 family has no such function and replaces files through wininit.ini).
void LinkReplacementFunction();

// Counts this installation's shared files: a reinstall first gives back the
// counts of OldSharedFiles once, then every entry of SharedFileList is
// counted up and SharedFilesText is written anew. A key that cannot be
// opened is one line in ErrorLog and nothing else changes.
void UpdateSharedFileCounts();

// Arranges that `temporary` replaces `target` at the next restart and marks
// the installation as needing one. Failures go to `log`; the temporary file
// then stays where it is.
void ScheduleReplacement(const String& temporary, const String& target, String& log);
