#include "platform/process.h"

#include <windows.h>

namespace {

WORD showValue(ShowMode show) { return show == ShowMode::Hidden ? SW_HIDE : SW_MINIMIZE; }

}  // namespace

bool ChildProcess::start(PathText commandLine, PathText workingDirectory, ShowMode show, bool newConsole) {
  close();
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (show != ShowMode::Normal) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showValue(show);
  }
  // The system may write into the command line, so it gets a copy.
  String line(commandLine.text());
  if (line.isEmpty()) return false;
  const char* directory = *workingDirectory.text() != '\0' ? workingDirectory.text() : nullptr;
  const DWORD creation = NORMAL_PRIORITY_CLASS | (newConsole ? CREATE_NEW_CONSOLE : 0);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, line.buffer(), nullptr,
                      nullptr, FALSE, creation, nullptr, directory, &startup, &info)) {
    return false;
  }
  process_ = info.hProcess;
  thread_ = info.hThread;
  return true;
}

bool ChildProcess::hasEnded(unsigned waitMs) {
  if (process_ == nullptr) return true;
  return WaitForSingleObject(process_, waitMs) != WAIT_TIMEOUT;
}

void ChildProcess::close() {
  if (thread_ != nullptr) CloseHandle(thread_);
  if (process_ != nullptr) CloseHandle(process_);
  thread_ = nullptr;
  process_ = nullptr;
}

bool topLevelWindowExists(const char* caption) { return FindWindowA(nullptr, caption) != nullptr; }

bool closeTopLevelWindow(const char* caption) {
  HWND window = FindWindowA(nullptr, caption);
  if (window == nullptr) return false;
  SendMessageA(window, WM_CLOSE, 0, 0);
  return true;
}

bool postCloseToTopLevelWindow(const char* caption) {
  HWND window = FindWindowA(nullptr, caption);
  return window != nullptr && PostMessageA(window, WM_CLOSE, 0, 0);
}

void sleepMilliseconds(unsigned ms) { Sleep(ms); }

unsigned tickCount() { return GetTickCount(); }

String oemBatchText(const String& text) {
  String oem = text;
  if (oem.length() > 0) CharToOemBuffA(oem.cStr(), oem.buffer(), static_cast<DWORD>(oem.length()));
  return oem;
}
