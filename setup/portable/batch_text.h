// The texts of a batch hook: the launcher line and the body the command
// interpreter runs, with the installation's directories as environment
// variables.
#pragma once

#include "core/core32.h"

// The launcher and the body, written next to each other in the hook's
// directory.
inline constexpr char LauncherFileName[] = "QAMVEX1.BAT";
inline constexpr char BodyFileName[] = "QAMVEX2.BAT";
// The caption a finished DOS window keeps when it does not close by itself.
inline constexpr char FinishedLauncherCaption[] = "Finished - QAMVEX1";

// What the body makes known to the hook.
struct HookEnvironment {
  String installDir;  // "" leaves out every SET line
  String sharedDir;
  String installerPath;  // the running executable
  String systemDirectory;
};

// The launcher's one line, without a line end: the interpreter with a
// 1024-byte environment running `bodyPath`.
String LauncherLine(const String& commandInterpreter, const String& bodyPath);

// The hook without its PAUSE lines: every line (ended by "\r", "\n", "\r\n"
// or "\n\r") that is not "PAUSE" in any case, after trimming and one leading
// "@", is kept unchanged and ended by "\n".
String WithoutPauses(const String& hookText);

// The body with DOS line ends: "@echo off", the SET lines, then the hook
// (without its pauses when `dropPauses`).
String BatchBody(const HookEnvironment& environment, const String& hookText, bool dropPauses);
