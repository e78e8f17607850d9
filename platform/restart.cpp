#include "platform/restart.h"

#include <windows.h>

#include "platform/system_version.h"
#include "platform/win32_handles.h"

static_assert(ExitWindowsReboot == EWX_REBOOT, "the restart flag has the system's value");

namespace {

bool systemExitWindows(unsigned flags, unsigned long reason) { return ExitWindowsEx(flags, reason) != FALSE; }

ExitWindowsFunction exitWindows = systemExitWindows;

}  // namespace

ExitWindowsFunction setExitWindowsFunction(ExitWindowsFunction function) {
  const ExitWindowsFunction previous = exitWindows;
  exitWindows = function != nullptr ? function : systemExitWindows;
  return previous;
}

bool enableShutdownPrivilege() {
  if (!IsWindowsNT()) return true;
  ScopedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.out())) return false;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) return false;
  // AdjustTokenPrivileges succeeds also when the token does not hold the
  // privilege at all; only the last error tells.
  if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) return false;
  return GetLastError() == ERROR_SUCCESS;
}

bool RestartWindows() {
  enableShutdownPrivilege();
  return exitWindows(ExitWindowsReboot, ExitWindowsReason);
}
