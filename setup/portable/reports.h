// The installer's reports to the user and its one exit path.
//
// Every message box of the program goes through here, which owns the owner
// rule: the fatal and error reports (ShowMessageBox) belong to the progress
// dialog while it exists, else to the background window; the questions and
// notices of the installation and removal steps (ShowQuestionBox) always to
// the background window. The boxes, the window destruction and the process
// end reach the system through a ReportPlatform that the Windows start-up
// binds; tests bind one that records what would have been shown.
#pragma once

#include "core/core32.h"
#include "setup/portable/process_state.h"

// Message box styles and answers, with the values the system gives them.
enum BoxStyle : unsigned {
  BoxOk = 0x0,
  BoxOkCancel = 0x1,
  BoxYesNo = 0x4,
  BoxIconHand = 0x10,  // the error icon
  BoxIconQuestion = 0x20,
  BoxIconExclamation = 0x30,
  BoxIconInformation = 0x40,
  BoxTaskModal = 0x2000,
};
enum BoxAnswer : int { AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7 };

struct ReportPlatform {
  // Shows a message box owned by `owner` (may be null) and returns the answer.
  int (*showBox)(WindowHandle owner, const char* text, const char* caption, unsigned style);
  void (*destroyWindow)(WindowHandle window);
  // Ends the process with the exit code; does not return in the program.
  void (*endProcess)(int exitCode);
  // The Windows directory, for "<os>" in texts.
  String (*windowsDirectory)();
};

// Binds the platform the reports use. Until one is bound (and for a null
// argument), boxes are written to stderr and the process end is exit().
void SetReportPlatform(const ReportPlatform* platform);

// Binds the core library's fatal reports (assertions, failed allocations) to
// the fatal box.
void BindFatalReports();

// The fixed texts of the start-up.
inline constexpr char FatalCaption[] = "FATAL ERROR";
inline constexpr char ErrorCaption[] = "Error";
inline constexpr char NoArchiveText[] =
    "This program performs installations and uninstallations.\r\n"
    "There is no installation archive present.\r\n"
    "No Uninstallation parameters were specified.\r\n\r\n"
    "You should not delete this program or execute it directly.";
inline constexpr char CouldNotOpenFormat[] =
    "Error code 1: The self-extracting archive could not open itself.  Filename:\n%s";
inline constexpr char FileEmptyFormat[] = "The file %s is empty.";
inline constexpr char ProductNameRequired[] = "Product name required";
inline constexpr char CorruptArchiveFormat[] =
    "This self-extracting archive is corrupt.  This is often caused by a virus on your "
    "computer.  The installation cannot proceed.\r\n\r\nCheck your system for viruses, then "
    "ask your vendor to send you a replacement.\r\n\r\nError code: %d";
inline constexpr char UsageFormat[] =
    "%s\n\nUsage:\n%s [/a] [/d:<dir>] [/n:<name>] [/u:<name>]\n\n"
    "/a\tAutomatic mode\n/d:\"dir\"\tOverride installation directory\n"
    "/n:\"name\"\tOverride product name\n/u:\"name\"\tUninstall product by name";
inline constexpr char UninstallerFileName[] = "Uninstall.EXE";
inline constexpr char IntroductionCaptionFormat[] = "Tessaform v%.1f";
constexpr double TessaformVersion = 5.0;
constexpr int ExitCode = 1;  // every way out, success included

// The Windows directory as the bound platform gives it ("<os>" in texts).
String PlatformWindowsDirectory();

// The owner of boxes: ProgressWindow while it exists, else BackgroundWindow.
WindowHandle ReportOwner();

// Shows a box owned by ReportOwner() and returns the answer.
int ShowMessageBox(const char* text, const char* caption, unsigned style);

// Shows a box owned by BackgroundWindow even while the progress dialog
// exists: the installation's own questions (the request for the next disk)
// belong to the background window; only reports follow ReportOwner().
int ShowQuestionBox(const char* text, const char* caption, unsigned style);

// Destroys the background and progress windows and ends the process with
// exit code 1.
[[noreturn]] void ExitProgram();

// Ends the program where the user chose to give up.
[[noreturn]] void AbortProgram();

// Shows the finished text in the fatal box ("FATAL ERROR", MB_ICONHAND |
// MB_TASKMODAL, also in automatic mode), then ExitProgram.
[[noreturn]] void FatalText(const char* text);

template <class... A>
[[noreturn]] void FatalBox(const char* format, const A&... args) {
  FatalText(formatString(format, args...).cStr());
}

// Shows the finished text in the error box unless AutomaticMode is on or the
// text is empty. The caption is message 21, or "Error" while it is empty.
void ErrorText(const char* text);

template <class... A>
void ErrorBox(const char* format, const A&... args) {
  if (AutomaticMode) return;
  ErrorText(formatString(format, args...).cStr());
}

// The fatal box for an inconsistent archive: message 13 as the format when it
// is not empty, else the built-in text; `code` is the one argument.
[[noreturn]] void CorruptArchive(int code);

// The fatal box with the usage text below `text`.
[[noreturn]] void UsageBox(const char* text);

// Asks the introduction question (Yes/No, information icon) owned by
// `owner`, with "<product>" and "<os>" in the text filled in. Returns true
// when the user declined (any answer but Yes).
bool ConfirmIntroduction(WindowHandle owner, const String& introduction, const String& productName);

// The introduction text with every "<product>" and "<os>" replaced in one
// pass, so that a product name which itself contains "<os>" stays as it is.
String FillIntroduction(const String& introduction, const String& productName,
                        const String& windowsDirectory);
