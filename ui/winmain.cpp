// The Win32 entry of tessaform.exe.
//
// The program links without the C runtime's start-up code (-nostartfiles):
// the process starts here. That start-up code would parse an argv we never
// use, install exception and floating-point handlers we do not need, and run
// pseudo-relocations (the link forbids them: --disable-auto-import). msvcrt.dll
// initialises itself when it is loaded, so malloc, the string functions and
// _snprintf work without it. The floating-point unit stays as the system sets
// it (double precision); the runtime's start-up would switch the x87 unit of
// i686 to extended precision.
#include <windows.h>

#include "core/core32.h"
#include "setup/startup.h"

// The constructors of process-wide objects, as the linker collects them:
// -1, the functions, 0. They run last to first, as the runtime's own start-up
// runs them: the linker puts those that must run first at the end.
extern "C" void (*__CTOR_LIST__[])();

namespace {

void runStaticConstructors() {
  int count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  for (int i = count; i >= 1; --i) __CTOR_LIST__[i]();
}

}  // namespace

// Destructors of process-wide objects register here from their constructors.
// The process only ever ends through ExitProgram (ExitProcess), which runs no
// exit handlers, and every object owns only memory and handles the system
// takes back; so registrations are accepted and dropped.
extern "C" int __cdecl atexit(void (__cdecl*)(void)) { return 0; }

// The entry named in the image header ("used": link-time optimisation does not
// see the linker's reference to it). The system may start it with the stack
// aligned to 4 bytes only; realigning it keeps code built for the compiler's
// default of 16 correct.
extern "C" [[noreturn]] __attribute__((used, force_align_arg_pointer)) void WinMainCRTStartup() {
  runStaticConstructors();
  // Before any code of the program runs: reports, fatal reporter and the
  // allocation-failure handler.
  InstallProcessHandlers();
  String tail(GetCommandLineA());
  tail.nextAtom();  // the program's own name
  RunProgram(reinterpret_cast<InstanceHandle>(GetModuleHandleA(nullptr)), tail.cStr());
}
