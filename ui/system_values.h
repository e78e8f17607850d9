// The few values the start-up takes from the system, without windows.h.
#pragma once

#include "core/core32.h"
#include "setup/portable/process_state.h"

// System colour indices (GetSysColor).
constexpr int SystemColourWindow = 5;
constexpr int SystemColourWindowText = 8;

Colour SystemColour(int index);

// `text` with its %variables% expanded through the environment; the empty
// text when the expansion fails.
String ExpandEnvironment(const char* text);

// The full command line of the process, the program's own name included.
const char* ProcessCommandLine();
