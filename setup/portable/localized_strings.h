// The process-wide message table and the lookup of every user-visible text
// by number. The installer fills the table from its archive header; the
// uninstaller from the "[Strings]" section of its uninstall data file.
// Until then every lookup gives the empty text, which is what the reports
// expect before a table exists.
#pragma once

#include "archive/messages.h"
#include "core/core32.h"

// The table of the package (or of the uninstall record), with the language
// names; alive until the process ends.
extern MessageTable Messages;

// Message `number` in the language LanguageIndex, with "<product>" (the
// ProductName of the first lookup) and "<os>" (the Windows directory)
// filled in; the empty text when the table has no such message or
// language. The text stays valid until the table is replaced.
const String& Message(int number);

// Appends the "[Strings]" section with the uninstaller's messages, in the
// current language, to the text of the uninstall data file.
void WriteStringsSection(String& text);

// In the uninstaller: fills the table from the "[Strings]" section of the
// uninstall data file's text and cuts the section off that text. Without
// such a section the table stays as it is (empty) and so does the text.
void ReadStringsSection(String& text);
