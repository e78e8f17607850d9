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
#include "setup/user_interface.h"

// Window class of the background window. CreateBackgroundWindow and
// PumpPendingMessages are declared with the other services of the user
// interface in setup/user_interface.h.
inline constexpr char BackgroundWindowClass[] = "SEA Window Classs";
