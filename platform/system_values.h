// The few values the start-up takes from the system, and the one setting it
// gives the C runtime, without windows.h.
#pragma once

#include "core/core32.h"

// System colour indices (GetSysColor).
constexpr int SystemColourWindow = 5;
constexpr int SystemColourWindowText = 8;

// A colour as 0x00BBGGRR.
uint32_t SystemColour(int index);

// `text` with its %variables% expanded through the environment; the empty
// text when the expansion fails.
String ExpandEnvironment(const char* text);

// The full command line of the process, the program's own name included.
const char* ProcessCommandLine();

// Makes every failed allocation of the C runtime, malloc as well as new, call
// `handler` with the requested size (the runtime's "new mode" 1). Returns
// false when the runtime offers no such setting.
using AllocationFailureHandler = int (*)(size_t requested);
bool SetAllocationFailureHandler(AllocationFailureHandler handler);
