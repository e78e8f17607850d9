// Restarting Windows, for replacements that wait for the next start.
//
// The call that ends the session goes through a replaceable function, so
// that a test can see what was asked for (under Wine the real call ends
// nothing anyway).
#pragma once

// ExitWindowsEx's restart flag, and the reason argument the program passes.
constexpr unsigned ExitWindowsReboot = 0x2;
constexpr unsigned long ExitWindowsReason = 0xFFFFFFFFul;

// Ends the Windows session with flags; true when the system accepted it.
using ExitWindowsFunction = bool (*)(unsigned flags, unsigned long reason);

// Binds the function RestartWindows ends the session with and returns the
// previous one. Null restores the system's ExitWindowsEx.
ExitWindowsFunction setExitWindowsFunction(ExitWindowsFunction function);

// Enables the shutdown privilege in the process's token, which an NT system
// requires before it restarts for a program. True when it is enabled; on the
// 95 family, which has no privileges, true without doing anything.
bool enableShutdownPrivilege();

// Asks for a real restart: the shutdown privilege first (a failure there is
// left to the restart call to report), then the bound function with
// ExitWindowsReboot and ExitWindowsReason. Returns what that function
// returned; on success the session is ending.
bool RestartWindows();
