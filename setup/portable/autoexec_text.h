// The PATH line the installation adds to the boot drive's "autoexec.bat",
// as text edits on the file's bytes.
#pragma once

#include "core/core32.h"

// "X:\autoexec.bat" on the boot drive `drive`.
String AutoexecPath(char drive);

// "PATH=%PATH%;" followed by `shortDirectory`, ended by "\r\n".
String PathLine(const String& shortDirectory);

// What adding `line` to `text` appends at its end: "" when text contains the
// line already (same case), else the line, after "\r\n" when text does not
// end in "\n".
String PathLineAddition(const String& text, const String& line);

// Removes the first whole-line occurrence of `line` (any case), or, when
// there is none, of the line without its "\r\n" ending the text's last line.
// A match must start a line and, without its "\r\n", end one: a line that
// only contains the PATH line, or names a longer directory that starts the
// same, is left alone. Returns whether something was removed.
bool RemovePathLine(String& text, const String& line);

// The failure line for the log when the file could not be changed.
String AutoexecFailureText(const String& autoexecPath, const String& directory, bool add);
