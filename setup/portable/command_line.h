// The installer's command line: the switches after the program's own name,
// and the program's own file name taken from the full command line.
#pragma once

#include "core/core32.h"

// Atoms examined at most; from the 20th on the rest of the line is ignored.
constexpr int MaxCommandLineAtoms = 19;

// What the switches asked for. A later switch of the same kind replaces the
// value of an earlier one.
struct CommandLineOptions {
  bool automaticMode = false;  // /a
  bool removal = false;        // /u, with or without a name
  String productName;          // /n:"name" or /u:"name"
  String installDirOverride;   // /d:"dir"
};

// Parses the command-line tail (the text after the program's own name).
// Returns true when every examined atom is a known switch. Otherwise returns
// false and sets `problem` to the first line of the usage box ("Unexpected
// command line parameter:\n" or "Illegal command line atom:\n" followed by
// the atom); `options` then holds what was parsed before the bad atom.
bool ParseCommandLine(const char* tail, CommandLineOptions& options, String& problem);

// The file name of the running program from its full command line (as
// GetCommandLineA gives it): the quoted first token without its quotes, or
// the text up to the first blank; ".EXE" is appended when the name after its
// last backslash holds no '.'.
String OwnFileName(const char* commandLine);

// The command the system's list of programs runs to remove a product: the
// uninstaller's path in double quotes, " /a" for the quiet form, a blank and
// the arguments. Unquoted, a path with blanks (any under "Program Files")
// would end at its first blank when the program reads its own name, and
// the rest would be taken for a parameter.
String UninstallCommand(const String& uninstallerPath, const String& arguments, bool quiet);
