#include "platform/system_version.h"

#include <windows.h>

bool IsWindowsNT() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool writeProfileString(const char* section, const char* key, const char* value, PathText file) {
  return WritePrivateProfileStringA(section, key, value, file.text()) != FALSE;
}
