// The texts the uninstaller reads and writes: the file list of
// "Uninstall.DAT", the ProductFonts pairs, and the batch file that deletes
// the uninstaller once it has ended.
#pragma once

#include "core/containers.h"
#include "core/core32.h"

// Splits the file list of "Uninstall.DAT" (the part before its "[Strings]"
// section) into files and directories ("~" lines, without the "~"), in
// their order. Only full paths are taken: empty lines, lone "~" lines and
// any relative line are skipped. The installation lists the folder of each
// file, not the folders between it and `installDir` that hold only folders:
// those are added (each folder inside `installDir` that encloses a listed
// one, once whatever its letter case), or the listed folders above them
// could never be removed. The directories come back sorted longest first,
// so that every directory precedes its parents.
void SplitRemovalList(const String& list, const String& installDir, List<String>& files,
                      Array<String>& directories);

// One font of ProductFonts: its name and its file, as the installation
// writes them (each in double quotes with an inner quote doubled, a blank
// after each).
void AppendFontPair(String& list, const String& name, const String& file);
// The next pair from `position` on; false when either token is missing or
// empty (the end of the list).
bool NextFontPair(const String& list, int& position, String& name, String& file);

// The batch file that waits until the uninstaller's file can be deleted,
// deletes it, removes the uninstall directory (when there is a
// subdirectory) and the installation directory when they are empty, and
// deletes itself from `batchPath`.
String SelfRemovalBatchText(const String& uninstaller, const String& installDir, const String& uninstallSubdir,
                            const String& batchPath);
