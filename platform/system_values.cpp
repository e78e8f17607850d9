#include "platform/system_values.h"

#include <windows.h>

uint32_t SystemColour(int index) { return GetSysColor(index); }

String ExpandEnvironment(const char* text) {
  // 256 bytes suffice for any ordinary value; a longer one is fetched again
  // at its reported size instead of being given up.
  int size = 256;
  String expanded;
  for (int attempt = 0; attempt < 2; ++attempt) {
    expanded.reset(size);
    DWORD needed = ExpandEnvironmentStringsA(text, expanded.buffer(), static_cast<DWORD>(size));
    if (needed == 0) break;
    if (needed <= static_cast<DWORD>(size)) {
      expanded.syncLength();
      return expanded;
    }
    size = static_cast<int>(needed);
  }
  return String();
}

const char* ProcessCommandLine() { return GetCommandLineA(); }

namespace {

// msvcrt.dll exports these two only under their C++ names, which differ with
// the size of size_t; MinGW's import libraries do not carry them for both
// architectures, so they are looked up at run time.
#ifdef _WIN64
const char* const SetNewHandlerName = "?_set_new_handler@@YAP6AH_K@ZP6AH0@Z@Z";
#else
const char* const SetNewHandlerName = "?_set_new_handler@@YAP6AHI@ZP6AHI@Z@Z";
#endif
const char* const SetNewModeName = "?_set_new_mode@@YAHH@Z";

using SetNewHandler = AllocationFailureHandler(__cdecl*)(AllocationFailureHandler);
using SetNewMode = int(__cdecl*)(int);

// GetProcAddress gives a generic function pointer; going through void(*)()
// states that the cast to the real type is meant.
template <class F>
F runtimeFunction(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

bool SetAllocationFailureHandler(AllocationFailureHandler handler) {
  HMODULE runtime = GetModuleHandleA("msvcrt.dll");
  if (runtime == nullptr) return false;
  SetNewHandler setHandler = runtimeFunction<SetNewHandler>(runtime, SetNewHandlerName);
  SetNewMode setMode = runtimeFunction<SetNewMode>(runtime, SetNewModeName);
  if (setHandler == nullptr || setMode == nullptr) return false;
  setHandler(handler);
  setMode(1);
  return true;
}
