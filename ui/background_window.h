// The full-screen background window behind every dialog and box (module
// ginstall), and the message pump of the long operations. Its appearance
// comes from the process-wide state (setup/portable/process_state.h) and the
// BackgroundImage (ui/background_bitmap.h), read afresh at every paint:
// the picture stretched over the window when there is one, else TopColor
// alone (MonoColor) or a gradient from TopColor to BottomColor, and
// DisplayTitle at the top left. Whoever changes them invalidates the window
// (RepaintBackground in setup/user_interface.h).
#pragma once

#include "setup/portable/process_state.h"

// Window class of the background window.
inline constexpr char BackgroundWindowClass[] = "SEA Window Classs";

// Registers the window class on the first call of the process, creates the
// borderless popup owned by `owner` (may be null) and shows it maximized.
// A failure to register or to create is a fatal report; never returns null.
WindowHandle CreateBackgroundWindow(InstanceHandle instance, WindowHandle owner);

// Dispatches the thread's pending messages without waiting. Returns true at
// once after dispatching a WM_DESTROY, WM_CLOSE or WM_QUIT; false when the
// queue is empty.
bool PumpPendingMessages();
