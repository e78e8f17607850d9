// The dialogs of the installer (module ginstall): language, licence, read-me,
// destination directory with the shell's folder browser, and the modeless
// progress dialog. Their templates are in ui/dialogs.rc; every one is owned
// by the background window and centred on the screen, and every text but the
// language dialog's own is a message of the current language.
//
// The functions the archive reader calls (the language dialog, the progress
// updates, the abort question) are declared in setup/user_interface.h and
// served here. No windows.h: setup/ includes this header.
#pragma once

#include "core/core32.h"
#include "setup/portable/process_state.h"
#include "setup/user_interface.h"

// Control identifiers shared by the templates.
enum DialogControl : int {
  ContinueButton = 1001,  // continue / accept; the default button
  AbortButton = 1003,     // abort / decline / cancel
  LongText = 1005,        // the licence or read-me text
  ProgressFrame = 1007,   // where the progress bar goes
  PromptText = 1009,      // prompt or heading
  OperationText = 1011,   // the progress dialog's current operation
  BrowseButton = 1013,
  DirectoryField = 1015,
  LanguageList = 1017,
};

// Template names (resource names are compared without regard to case).
inline constexpr char LanguageDialogName[] = "LanguageDlg";
inline constexpr char LicenseDialogName[] = "LicenseDlg";
inline constexpr char ReadmeDialogName[] = "ReadmeDlg";
inline constexpr char DirectoryDialogName[] = "ChooseDirDlg";
inline constexpr char ProgressDialogName[] = "ProgressDlg";

inline constexpr char LanguageDialogCaption[] = "Choose Your Language";
inline constexpr char ProgressBarClass[] = "msctls_progress32";

// The longest directory that can be typed into the destination field.
constexpr int MaxDirectoryLength = 259;

// The destination dialog's results.
constexpr int DirectoryAccepted = 1;
constexpr int DirectoryCancelled = 0;

// Reading a control's text: a text longer than the control announced.
inline constexpr char SeaModule[] = "sea";
constexpr int LineControlTextTooLong = 1139;

// Centres a top-level window on the screen, shrunk to the screen when it is
// larger, without repainting it.
void CenterWindow(WindowHandle window);

// The shell's folder browser below the computer's drives, opening on
// `directory`: true with `directory` replaced by the chosen path when a
// file-system folder was chosen; false, `directory` unchanged, otherwise.
bool BrowseForDirectory(WindowHandle owner, String& directory);
