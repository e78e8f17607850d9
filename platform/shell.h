// The user's special folders (from the registry, with fixed fallbacks), the
// boot drive, shell shortcuts (.LNK files) and the version text of a file's
// version resource.
#pragma once

#include "core/core32.h"
#include "core/path.h"

// Registry values below HKEY_CURRENT_USER
// "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders" and
// HKEY_LOCAL_MACHINE "Software\Microsoft\Windows\CurrentVersion"; "" when
// absent. Reading never creates a key.
String shellFolder(const char* name);
String windowsSetting(const char* name);

// Each as the registry gives it, else its fallback: "c:\Program Files",
// "Common Files" below it, "Desktop", "Fonts" and "Start Menu" below the
// Windows directory, "Programs" below the start menu, "StartUp" below that.
String programFilesDirectory();
String commonFilesDirectory();
String desktopDirectory();
String fontsDirectory();
String startMenuDirectory();
String programsDirectory();
String startupDirectory();

// The upper-cased drive letter of the BootDir setting, else 'C'.
char bootDrive();

// Saves a shortcut to target at linkPath (".LNK" added when missing; the
// folder is created), with the target's first icon. arguments and
// workingDirectory are set only when not null. Returns whether the file was
// saved; linkPath holds the final name either way.
bool createShortcut(String& linkPath, const char* target, const char* arguments, const char* workingDirectory);
// createShortcut of name below the desktop or the programs folder (name may
// hold a program group folder). out, when given, receives the final path.
bool createDesktopShortcut(const char* name, const char* target, const char* arguments,
                           const char* workingDirectory, String* out = nullptr);
bool createProgramsShortcut(const char* name, const char* target, const char* arguments,
                            const char* workingDirectory, String* out = nullptr);

// Width of a field of a comparable version text.
constexpr int VersionFieldWidth = 10;

// The "FileVersion" of the U.S. English, Windows Latin-1 translation of the
// file's version resource; "" when there is none. With comparable set, the
// text is upper-cased and every field between dots is padded on the left
// with '0' to VersionFieldWidth, so that comparable texts order as their
// versions when compared byte by byte ("1.2" gives
// "0000000001.0000000002"; longer fields stay as they are).
String fileVersionText(PathText path, bool comparable);
// The comparable form of a version text, in place; "" stays empty.
void makeComparableVersion(String& version);
