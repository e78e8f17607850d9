#include "platform/system_error.h"

#include <windows.h>

namespace {

// Language 0x400: neutral language, the user's default sublanguage.
constexpr DWORD DefaultLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

char* lastText = nullptr;

}  // namespace

const char* SystemErrorText() {
  const DWORD code = GetLastError();
  if (lastText != nullptr) {
    LocalFree(lastText);
    lastText = nullptr;
  }
  if (code == 0) return "";
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, DefaultLanguage, reinterpret_cast<LPSTR>(&lastText), 0,
                                 nullptr);
  if (n == 0 || lastText == nullptr) {
    lastText = nullptr;
    return "";
  }
  // The system ends its texts with "\r\n"; callers put them into lines of
  // their own.
  DWORD end = n;
  while (end > 0 && (lastText[end - 1] == '\r' || lastText[end - 1] == '\n' || lastText[end - 1] == ' ')) --end;
  lastText[end] = '\0';
  return lastText;
}
