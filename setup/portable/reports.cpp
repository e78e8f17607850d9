#include "setup/portable/reports.h"

#include <stdlib.h>

#include "archive/format.h"
#include "core/fatal.h"
#include "setup/portable/localized_strings.h"

namespace {

// Without a bound platform (tools, early start-up): text to stderr, exit().
int printBox(WindowHandle, const char* text, const char* caption, unsigned) {
  // Piece by piece, not fprintf: the printf family would pull the C
  // library's whole formatter into the installer.
  writeStandardError(caption);
  writeStandardError(": ");
  writeStandardError(text);
  writeStandardError("\n");
  return AnswerOk;
}
void ignoreWindow(WindowHandle) {}
void exitProcess(int exitCode) { exit(exitCode); }
String noDirectory() { return String(); }

const ReportPlatform DefaultPlatform = {printBox, ignoreWindow, exitProcess, noDirectory};
// Null stands for DefaultPlatform: a variable that starts at zero keeps the
// installer free of a section of written data (a header and a file block).
const ReportPlatform* Platform = nullptr;

__attribute__((noinline)) const ReportPlatform& currentPlatform() { return Platform != nullptr ? *Platform : DefaultPlatform; }

// Set while the fatal box is up: a fatal report raised from inside it (an
// allocation failing while the box is shown) ends the process without a
// second box instead of recursing.
bool ShowingFatal = false;

struct ShowingFatalScope {
  ShowingFatalScope() { ShowingFatal = true; }
  ~ShowingFatalScope() { ShowingFatal = false; }
};

void reportFatalText(const char* text) { FatalText(text); }

void destroyAndClear(WindowHandle& window) {
  if (window == nullptr) return;
  WindowHandle doomed = window;
  window = nullptr;
  currentPlatform().destroyWindow(doomed);
}

}  // namespace

void SetReportPlatform(const ReportPlatform* platform) {
  Platform = platform;
}

void BindFatalReports() { setFatalReporter(reportFatalText); }

WindowHandle ReportOwner() { return ProgressWindow != nullptr ? ProgressWindow : BackgroundWindow; }

int ShowMessageBox(const char* text, const char* caption, unsigned style) {
  return currentPlatform().showBox(ReportOwner(), text, caption, style);
}

int ShowSequenceBox(const char* text, const char* caption, unsigned style) {
  return currentPlatform().showBox(BackgroundWindow, text, caption, style);
}

void ExitProgram() {
  destroyAndClear(BackgroundWindow);
  destroyAndClear(ProgressWindow);
  currentPlatform().endProcess(ExitCode);
  abort();  // a platform whose process end returned
}

void AbortProgram() { ExitProgram(); }

String PlatformWindowsDirectory() { return currentPlatform().windowsDirectory(); }

void FatalText(const char* text) {
  if (!ShowingFatal) {
    ShowingFatalScope scope;
    ShowMessageBox(text, FatalCaption, BoxIconHand | BoxTaskModal);
  }
  ExitProgram();
}

void ErrorText(const char* text) {
  if (AutomaticMode || text == nullptr || text[0] == 0) return;
  const String& caption = Message(MsgErrorCaption);
  ShowMessageBox(text, caption.isEmpty() ? ErrorCaption : caption.cStr(), BoxIconHand);
}

void CorruptArchive(int code) {
  const String& format = Message(MsgCorruptArchive);
  FatalBox(format.isEmpty() ? CorruptArchiveFormat : format.cStr(), code);
}

void UsageBox(const char* text) { FatalBox(UsageFormat, text, UninstallerFileName); }

String FillIntroduction(const String& introduction, const String& productName,
                        const String& windowsDirectory) {
  static const char Product[] = "<product>";
  static const char Os[] = "<os>";
  const int productLength = sizeof(Product) - 1;
  const int osLength = sizeof(Os) - 1;
  String filled;
  const char* p = introduction.cStr();
  const char* end = p + introduction.length();
  while (p < end) {
    if (end - p >= productLength && compareBytes(p, Product, productLength, true) == 0) {
      filled.append(productName);
      p += productLength;
    } else if (end - p >= osLength && compareBytes(p, Os, osLength, true) == 0) {
      filled.append(windowsDirectory);
      p += osLength;
    } else {
      filled.appendChar(*p++);
    }
  }
  return filled;
}

bool ConfirmIntroduction(WindowHandle owner, const String& introduction, const String& productName) {
  String text = FillIntroduction(introduction, productName, currentPlatform().windowsDirectory());
  String caption = formatString(IntroductionCaptionFormat, TessaformVersion);
  return currentPlatform().showBox(owner, text.cStr(), caption.cStr(), BoxYesNo | BoxIconInformation) != AnswerYes;
}
