// Which family of Windows runs the program, and the profile (.ini) files
// that the 95 family reads at its start.
#pragma once

#include "core/path.h"

// The system reports the NT platform (platform id 2); false for the 95
// family and when the version cannot be read.
bool IsWindowsNT();

// Writes key=value into section of the profile file (a bare name such as
// "wininit.ini" is in the Windows directory). True when the system stored it.
bool writeProfileString(const char* section, const char* key, const char* value, PathText file);
