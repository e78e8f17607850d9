// The full-screen background window behind every dialog and box (module
// ginstall). Its appearance comes from the process-wide state
// (setup/portable/process_state.h); whoever changes that state invalidates
// the window.
#pragma once

#include "setup/portable/process_state.h"

// Window class of the background window.
inline constexpr char BackgroundWindowClass[] = "SEA Window Classs";

// Registers the window class on the first call of the process, creates the
// borderless popup owned by `owner` (may be null) and shows it maximized.
// A failure to register or to create is a fatal report; never returns null.
WindowHandle CreateBackgroundWindow(InstanceHandle instance, WindowHandle owner);
