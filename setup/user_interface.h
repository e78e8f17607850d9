// What the setup steps ask of the user interface: the background window and
// its picture, the message pump, the dialogs, the progress updates and the
// abort question, and the Win32 side of the reports. ui/ serves all of it;
// setup/ includes no header of ui/, so the user interface sits on top of the
// steps and the steps never reach past this list.
#pragma once

#include "core/core32.h"
#include "setup/portable/process_state.h"

struct ReportPlatform;

// Results of the modal dialogs with Continue and Abort buttons.
constexpr int DialogContinue = 1001;
constexpr int DialogAbort = 1003;

// The reports' message boxes, window destruction and process end.
const ReportPlatform* Win32ReportPlatform();

// Registers the window class on the first call of the process, creates the
// borderless popup owned by `owner` (may be null) and shows it maximized.
// A failure to register or to create is a fatal report; never returns null.
WindowHandle CreateBackgroundWindow(InstanceHandle instance, WindowHandle owner);

// Makes the background window paint itself again (after its title or
// colours changed).
void RepaintBackground();

// Dispatches the thread's pending messages without waiting. Returns true at
// once after dispatching a WM_DESTROY, WM_CLOSE or WM_QUIT; false when the
// queue is empty.
bool PumpPendingMessages();

// The background picture: taken from bytes as a bitmap file stores them
// after its 14-byte file header (a picture that fails its checks is
// dropped; false then), read from a bitmap file, or saved as one. The
// caller repaints.
bool LoadBackgroundPicture(const char* bytes, int length);
bool LoadBackgroundPictureFile(const char* path);
bool HasBackgroundPicture();
bool SaveBackgroundPicture(const char* path);

// The file the installation leaves for the uninstaller's background.
constexpr char BackgroundPictureFileName[] = "Installer Background.BMP";

// Moves the progress bar to `percent` (0 to 100) when the progress dialog
// exists, then pumps pending messages; returns the pump's result.
bool SetProgressPosition(int percent);

// Shows a finished text as the progress dialog's status line, then pumps
// pending messages; returns the pump's result.
bool ShowProgressLine(const char* text);

// The status line formatted printf-style (type-checked: the format may come
// from the archive).
template <class... A>
bool ShowProgressText(const char* format, const A&... args) {
  return ShowProgressLine(formatString(format, args...).cStr());
}

// The modal language dialog over the background window: DialogContinue with
// LanguageIndex set to the chosen language, or DialogAbort.
int RunLanguageDialog();

// The modal licence and read-me dialogs showing `text`: DialogContinue or
// DialogAbort (any other value when the dialog could not be shown).
int ShowLicenseDialog(const String& text);
int ShowReadmeDialog(const String& text);

// The modal destination dialog on `directory`: true with `directory`
// replaced by the field's text when the user continued, false when aborted
// (the string then unchanged).
bool ChooseDirectory(String& directory);

// Opens the modeless progress dialog (ProgressWindow) with its bar at 0.
void OpenProgressDialog();

// Destroys the progress dialog and clears ProgressWindow; nothing when it is
// not open.
void CloseProgressDialog();

// Asks the abort question (message 28, caption message 20, Yes/No). Yes ends
// the program through AbortProgram; No returns.
void ConfirmAbort();
