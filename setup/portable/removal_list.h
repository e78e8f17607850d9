// The removal list: the paths the uninstaller deletes, one line each in the
// order they arose, a directory marked with a leading "~". The installation
// fills it while it places files and shortcuts and then writes it into the
// removal file. Process-wide, like the rest of the installer's state.
#pragma once

#include "core/core32.h"

// Adds path as a line: "path\r\n" for a file (repeats kept), "~path\r\n" for
// a directory unless that directory, in any letter case, is listed already
// (its first spelling stays). An empty path is ignored.
void RecordForRemoval(const String& path, bool isDirectory);

// Directories are told apart without regard to letter case: the key of a
// directory, upper-cased as the C runtime's toupper does in the "C" locale
// (which the installer never leaves), and the buckets of a set of them.
String DirectoryKey(const String& path);
constexpr int DirectoryBuckets = 40;

// Empties the list and forgets the directories listed.
void ClearRemovalList();

// The list as it stands; valid until the next change.
const String& RemovalListText();
