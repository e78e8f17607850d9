// The Win32 entry of tessaform.exe.
#include <windows.h>

#include "setup/startup.h"

namespace {
// Before any code of the program runs: reports, fatal reporter and the
// allocation-failure handler.
const bool HandlersInstalled = (InstallProcessHandlers(), true);
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
  (void)HandlersInstalled;
  RunProgram(reinterpret_cast<InstanceHandle>(instance), commandTail);
}
