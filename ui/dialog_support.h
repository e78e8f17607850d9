// Helpers the dialog procedures share (ui/ only; windows.h allowed).
#pragma once

#include <windows.h>

#include "core/core32.h"
#include "setup/portable/process_state.h"

inline HWND toWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline WindowHandle fromWindow(HWND window) { return reinterpret_cast<WindowHandle>(window); }

// The module whose resources hold the dialog templates: ProgramInstance, or
// the program's own module before the start-up has set it.
HINSTANCE DialogInstance();

// Sets control `id` of `dialog`, or the dialog's caption, to message
// `number` of the current language.
void SetMessageText(HWND dialog, int id, int number);
void SetMessageCaption(HWND dialog, int number);

// The whole text of control `id`: asks the control for its length, makes
// room and reads length + 1 characters. A text longer than announced is a
// fatal report (sea 1139).
String ControlText(HWND dialog, int id);
