// The SharedFiles text of the uninstall record: the names of a product's
// shared files, each in double quotes (an inner double quote doubled),
// joined by ";" without blanks. An installation writes it; a reinstall and
// the removal read it back to take their counts back.
#pragma once

#include "core/core32.h"

// Appends name as one quoted section, after a ";" when text is not empty.
// An empty name is not appended: its section ("") would end the reading
// and hide every name after it. File names are never empty.
void AppendSharedName(String& text, const String& name);

// Reads the quoted section at position into name and moves position behind
// it and behind one ";" that follows. Returns false, leaving position as it
// is and name empty, at the end of the text and wherever no complete name
// starts: an empty section, a character other than a double quote, or a
// section whose closing quote is missing (a cut text, whose last name may
// be cut too, so that acting on it could touch another file).
bool NextSharedName(const String& text, int& position, String& name);

// The full path of a name read back: a name with a drive colon or a leading
// backslash is a path of its own; any other name, subdirectories included,
// is below sharedPath, as the installation counted it.
String SharedNamePath(const String& name, const String& sharedPath);
