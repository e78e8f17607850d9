// tessatour: shows the installer's windows for a package one after another,
// for screenshots and for looking at a package's texts and colours before
// shipping it. Nothing is installed.
//
//   tessatour PACKAGE.exe [background | browse | abort]
//
// Reads the package's header the way the installer does (colours, picture,
// title, message table), lets the user choose the language when there are
// several, then shows the licence and read-me dialogs (when the package has
// the texts), the destination dialog on the default directory and the
// progress dialog, which stays until its Cancel button is answered with Yes.
// After the language choice, "background" shows the background alone until
// the tour is ended, "browse" the folder browser on the Program Files
// directory, and "abort" the progress dialog with the abort question over it.
#include <windows.h>

#include <stdlib.h>

#include "archive/format.h"
#include "core/path.h"
#include "platform/gfile.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/reports.h"
#include "setup/read_archive.h"
#include "setup/startup.h"
#include "ui/background_window.h"
#include "ui/dialogs.h"
#include "platform/system_values.h"

namespace {

const char* const UsageText = "Usage: tessatour PACKAGE.exe [background | browse | abort]";
const char* const ProgramFilesDirectory = "C:\\Program Files";
// Where the progress bar rests while the dialog is shown.
const int TourProgress = 60;

void openPackage(File& package, const char* path) {
  if (!package.openExisting(path, true, false, false)) FatalBox(CouldNotOpenFormat, path);
}

// Runs the background's messages until the tour is ended from outside.
[[noreturn]] void showBackgroundOnly() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  ExitProgram();
}

void showText(int (*dialog)(const String&), const String& text) {
  if (!text.isEmpty() && dialog(text) != DialogContinue) ExitProgram();
}

String defaultDirectory() {
  const String& configured = Header.defaultInstallDir;
  if (configured.length() > 1 && configured.charAt(1) == ':') return configured;
  return joinPath(ProgramFilesDirectory, configured.isEmpty() ? ProductName : configured);
}

[[noreturn]] void showProgress(bool askAbort) {
  OpenProgressDialog();
  ShowProgressText(Message(MsgProgressReading).cStr());
  SetProgressPosition(TourProgress);
  if (askAbort) ConfirmAbort();
  for (int percent = TourProgress;;) {
    if (percent < TourProgress) ++percent;
    SetProgressPosition(percent);
    Sleep(20);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InstallProcessHandlers();
  ProgramInstance = reinterpret_cast<InstanceHandle>(instance);
  TitleColor = SystemColour(SystemColourWindowText);
  TopColor = SystemColour(SystemColourWindow);
  BackgroundWindow = CreateBackgroundWindow(ProgramInstance, nullptr);
  if (__argc < 2) FatalText(UsageText);
  File package;
  openPackage(package, __argv[1]);
  ReadArchive(package);
  ChooseLanguage();
  const char* mode = __argc > 2 ? __argv[2] : "";
  String directory = defaultDirectory();
  if (lstrcmpiA(mode, "background") == 0) showBackgroundOnly();
  if (lstrcmpiA(mode, "browse") == 0) {
    String programFiles(ProgramFilesDirectory);
    BrowseForDirectory(BackgroundWindow, programFiles);
    ExitProgram();
  }
  if (lstrcmpiA(mode, "abort") == 0) showProgress(true);
  showText(ShowLicenseDialog, Header.licenseText);
  showText(ShowReadmeDialog, Header.readmeText);
  if (!ChooseDirectory(directory)) ExitProgram();
  showProgress(false);
}
