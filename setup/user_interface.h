// What the setup steps ask of the user interface: the progress dialog, the
// language dialog, the background's repaint and the abort question. ui/
// serves them.
#pragma once

#include "core/core32.h"

// Results of the modal dialogs with Continue and Abort buttons.
constexpr int DialogContinue = 1001;
constexpr int DialogAbort = 1003;

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

// Makes the background window paint itself again (after its title or
// colours changed).
void RepaintBackground();

// Asks the abort question (message 28, caption message 20, Yes/No). Yes ends
// the program through AbortProgram; No returns.
void ConfirmAbort();
