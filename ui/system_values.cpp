#include "ui/system_values.h"

#include <windows.h>

Colour SystemColour(int index) { return GetSysColor(index); }

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
