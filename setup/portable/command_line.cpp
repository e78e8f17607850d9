#include "setup/portable/command_line.h"

namespace {

const char* const UnexpectedParameter = "Unexpected command line parameter:\n";
const char* const IllegalAtom = "Illegal command line atom:\n";

// The value of a switch from `start` on; one enclosing pair of double quotes
// that survived the atom's own quote handling (a doubled "" inside quotes) is
// removed.
String switchValue(const String& atom, int start) {
  String value = atom.substring(start);
  if (value.length() >= 2 && value.firstChar() == '"' && value.lastChar() == '"') {
    value = value.substring(1, value.length() - 2);
  }
  return value;
}

// Applies one atom whose "/" or "-" has been removed. Returns false for an
// unknown atom.
bool applySwitch(const String& atom, CommandLineOptions& options) {
  if (atom.isEmpty()) return true;  // a lone "/" or "-"
  if (atom.length() == 1 && toUpper(atom.firstChar()) == 'A') {
    options.automaticMode = true;
  } else if (startsWithNoCase(atom, "D:")) {
    options.installDirOverride = switchValue(atom, 2);
  } else if (startsWithNoCase(atom, "N:")) {
    options.productName = switchValue(atom, 2);
  } else if (startsWithNoCase(atom, "U")) {
    options.removal = true;
    if (atom.charAt(1) == ':') options.productName = switchValue(atom, 2);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ParseCommandLine(const char* tail, CommandLineOptions& options, String& problem) {
  String line(tail);
  for (int taken = 0; taken < MaxCommandLineAtoms; ++taken) {
    // Blanks after the last atom are no atom of their own.
    line.trimLeft();
    if (line.isEmpty()) break;
    String atom = line.nextAtom();
    if (!atom.dropFirstIfIn("/-")) {
      problem = String(UnexpectedParameter) + atom;
      return false;
    }
    if (!applySwitch(atom, options)) {
      problem = String(IllegalAtom) + atom;
      return false;
    }
  }
  return true;
}

String OwnFileName(const char* commandLine) {
  String line(commandLine);
  line.trimLeft();
  String name;
  if (line.firstChar() == '"') {
    name = line.extractQuoted('"', 0);
  } else {
    int blank = line.findChar(' ');
    name = blank < 0 ? line : line.substring(0, blank);
  }
  if (name.findChar('.', name.findCharReverse('\\') + 1) < 0) name.append(".EXE");
  return name;
}

String UninstallCommand(const String& uninstallerPath, const String& arguments, bool quiet) {
  return "\"" + uninstallerPath + (quiet ? "\" /a " : "\" ") + arguments;
}
