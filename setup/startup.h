// The entry of the program (module sea): sets up the process-wide state,
// parses the command line, and runs the removal or the installation. Every
// path ends in ExitProgram with exit code 1.
#pragma once

#include "setup/portable/process_state.h"

// Installs the process-wide handlers that must be in place before the entry
// runs: the Win32 reports, the fatal reporter and the allocation-failure
// handler for malloc as well as new.
void InstallProcessHandlers();

// The entry routine: `commandTail` is the command line after the program's
// own name. Never returns.
[[noreturn]] void RunProgram(InstanceHandle instance, const char* commandTail);
