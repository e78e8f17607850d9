#include "setup/portable/batch_text.h"

#include "core/path.h"

namespace {

bool isPauseLine(String line) {
  line.trim();
  if (line.dropFirstIf('@')) line.trim();
  return line.compare("PAUSE", false) == 0;
}

void appendSetLines(String& body, const HookEnvironment& environment) {
  body.appendFormat("SET InstallDir=%s\n", environment.installDir);
  // A directory without a drive letter (a network path) leaves the variable
  // empty; a zero byte in its place would corrupt the batch file.
  const char drive = driveLetter(environment.installDir);
  if (drive != 0) {
    body.appendFormat("SET InstallDrive=%c:\n", drive);
  } else {
    body += "SET InstallDrive=\n";
  }
  body.appendFormat("SET SharedDir=%s\n", environment.sharedDir);
  body.appendFormat("SET InstallerFilepath=%s\n", environment.installerPath);
  body.appendFormat("SET InstallerDir=%s\n", directoryPart(environment.installerPath));
  body.appendFormat("SET InstallerFilename=%s\n", fileNamePart(environment.installerPath));
  body.appendFormat("SET SystemDir=%s\n", environment.systemDirectory);
}

// Every "\r" removed, every "\n" made "\r\n".
String withDosLineEnds(const String& text) {
  String out;
  for (int i = 0; i < text.length(); ++i) {
    const char c = text.charAt(i);
    if (c == '\r') continue;
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

String LauncherLine(const String& commandInterpreter, const String& bodyPath) {
  return formatString("@%s /e:1024 /c \"%s\"", commandInterpreter, bodyPath);
}

String WithoutPauses(const String& hookText) {
  String rest = hookText;
  String kept;
  while (!rest.isEmpty()) {
    const String line = rest.popLine();
    if (isPauseLine(line)) continue;
    kept += line;
    kept += '\n';
  }
  return kept;
}

String BatchBody(const HookEnvironment& environment, const String& hookText, bool dropPauses) {
  String body = "@echo off\n";
  if (!environment.installDir.isEmpty()) appendSetLines(body, environment);
  body += dropPauses ? WithoutPauses(hookText) : hookText;
  return withDosLineEnds(body);
}
