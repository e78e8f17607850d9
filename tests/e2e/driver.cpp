#include "tests/e2e/driver.h"

#include <stdlib.h>

namespace driver {
namespace {

// How often the waits look again, and how long one message to another
// process may take before the driver gives up on it.
const DWORD PollMs = 50;
const UINT MessageTimeoutMs = 5000;
const DWORD ScreenshotSettleMs = 500;
const DWORD ScreenshotTimeoutMs = 15000;

std::string windowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, MessageTimeoutMs,
                           &length)) {
    return std::string();
  }
  std::string text(static_cast<size_t>(length) + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                           SMTO_ABORTIFHUNG, MessageTimeoutMs, &copied)) {
    return std::string();
  }
  text.resize(static_cast<size_t>(copied));
  return text;
}

std::string className(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK collectChild(HWND child, LPARAM context) {
  Control control;
  control.handle = child;
  control.id = GetDlgCtrlID(child);
  control.className = className(child);
  control.text = windowText(child);
  reinterpret_cast<std::vector<Control>*>(context)->push_back(control);
  return TRUE;
}

struct TopLevelSearch {
  DWORD processId;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK collectTopLevel(HWND window, LPARAM context) {
  TopLevelSearch* search = reinterpret_cast<TopLevelSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && (!search->visibleOnly || IsWindowVisible(window))) {
    search->found.push_back(window);
  }
  return TRUE;
}

bool matches(HWND window, const WindowQuery& query) {
  if (!query.className.empty() && className(window) != query.className) return false;
  if (!query.caption.empty() && windowText(window) != query.caption) return false;
  return true;
}

// Starts a Linux command line (Wine runs ELF programs as they are, but gives
// no handle to wait on).
bool startLinuxCommand(const std::string& commandLine) {
  std::string line = commandLine;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return false;
  }
  if (info.hThread != nullptr) CloseHandle(info.hThread);
  if (info.hProcess != nullptr) CloseHandle(info.hProcess);
  return true;
}

bool fileExists(const std::string& windowsPath) {
  return GetFileAttributesA(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

const Control* Window::control(int id) const {
  for (const Control& c : controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

const Control* Window::controlWithText(const std::string& text) const {
  for (const Control& c : controls) {
    if (c.text == text) return &c;
  }
  return nullptr;
}

std::string Window::messageText() const {
  std::string text;
  for (const Control& c : controls) {
    if (c.text.empty() || _stricmp(c.className.c_str(), "Static") != 0) continue;
    if (!text.empty()) text += "\n";
    text += c.text;
  }
  return text;
}

std::string Window::describe() const {
  std::string out = "window \"" + caption + "\" class " + className + "\n";
  for (const Control& c : controls) {
    out += "  control " + std::to_string(c.id) + " " + c.className + " \"" + c.text + "\"\n";
  }
  return out;
}

Program::~Program() {
  terminate();
  if (process_ != nullptr) CloseHandle(process_);
}

bool Program::start(const std::string& executable, const std::string& commandLine) {
  if (running()) {
    error_ = "the program started before still runs";
    return false;
  }
  if (process_ != nullptr) CloseHandle(process_);
  process_ = nullptr;
  processId_ = 0;
  std::string line = commandLine;  // CreateProcessA may write into it
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  // No executable: the system finds it in the command line, as the shell
  // does for a command stored in the registry.
  if (!CreateProcessA(executable.empty() ? nullptr : executable.c_str(), &line[0], nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &info)) {
    error_ = "CreateProcess failed for " + executable + " with error " +
             std::to_string(GetLastError());
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  processId_ = info.dwProcessId;
  return true;
}

bool Program::running() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Program::waitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode != nullptr) GetExitCodeProcess(process_, exitCode);
  return true;
}

void Program::terminate() {
  if (!running()) return;
  TerminateProcess(process_, STILL_ACTIVE);
  WaitForSingleObject(process_, MessageTimeoutMs);
}

std::vector<HWND> Program::topLevelWindows(bool visibleOnly) const {
  TopLevelSearch search = {processId_, visibleOnly, {}};
  if (processId_ != 0) EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Program::waitForWindow(const WindowQuery& query, DWORD timeoutMs) const {
  const DWORD started = GetTickCount();
  for (;;) {
    for (HWND window : topLevelWindows(true)) {
      if (matches(window, query)) return window;
    }
    if (!running() || GetTickCount() - started >= timeoutMs) return nullptr;
    Sleep(PollMs);
  }
}

std::vector<Window> Program::unexpectedWindows(const std::vector<HWND>& expected) const {
  std::vector<Window> unexpected;
  for (HWND window : topLevelWindows(true)) {
    bool known = false;
    for (HWND e : expected) known = known || e == window;
    if (!known) unexpected.push_back(readWindow(window));
  }
  return unexpected;
}

Window readWindow(HWND handle) {
  Window window;
  window.handle = handle;
  window.caption = windowText(handle);
  window.className = className(handle);
  window.visible = IsWindowVisible(handle) != FALSE;
  EnumChildWindows(handle, collectChild, reinterpret_cast<LPARAM>(&window.controls));
  return window;
}

bool clickControl(HWND window, int id) {
  HWND control = GetDlgItem(window, id);
  if (control == nullptr) return false;
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, MessageTimeoutMs,
                             &result) != 0;
}

bool clickButton(HWND window, const std::string& text) {
  const Control* button = readWindow(window).controlWithText(text);
  return button != nullptr && clickControl(window, button->id);
}

bool selectListEntry(HWND window, int id, int index) {
  HWND list = GetDlgItem(window, id);
  if (list == nullptr) return false;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG,
                           MessageTimeoutMs, &result) ||
      static_cast<LRESULT>(result) == LB_ERR) {
    return false;
  }
  return SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(list), SMTO_ABORTIFHUNG, MessageTimeoutMs,
                             &result) != 0;
}

bool setControlText(HWND window, int id, const std::string& text) {
  HWND control = GetDlgItem(window, id);
  if (control == nullptr) return false;
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, MessageTimeoutMs, &result) != 0 &&
         result == TRUE;
}

std::string windowsPath(const std::string& linuxPath) {
  std::string path = "Z:" + linuxPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool saveScreenshot(const std::string& linuxPath) {
  const char* display = getenv("DISPLAY");
  if (display == nullptr || display[0] == 0) return false;
  // A window that has just appeared may not be drawn yet.
  Sleep(ScreenshotSettleMs);
  // The picture is written under a temporary name and renamed when complete,
  // so that its appearance says the command has finished.
  const std::string partial = linuxPath + ".partial";
  const std::string finished = windowsPath(linuxPath);
  DeleteFileA(finished.c_str());
  if (!startLinuxCommand("/bin/sh -c \"import -window root -display " + std::string(display) +
                         " 'png:" + partial + "' && mv '" + partial + "' '" + linuxPath + "'\"")) {
    return false;
  }
  const DWORD started = GetTickCount();
  while (!fileExists(finished)) {
    if (GetTickCount() - started >= ScreenshotTimeoutMs) return false;
    Sleep(PollMs);
  }
  return true;
}

}  // namespace driver
