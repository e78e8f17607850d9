// Support for the user-interface tests that run the installer's own windows
// in the test process: a message table of several languages, and a second
// thread that drives a modal dialog while the test's thread runs it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "archive/byte_stream.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "ui/background_window.h"
#include "ui/dialogs.h"

namespace ui_test {

constexpr DWORD WaitMs = 10000;
constexpr DWORD PollMs = 20;

// Creates the process's background window, the owner of every dialog, on
// the first call.
inline void UseBackgroundWindow() {
  if (BackgroundWindow != nullptr) return;
  BackgroundWindow = CreateBackgroundWindow(reinterpret_cast<InstanceHandle>(GetModuleHandleA(nullptr)), nullptr);
}

// The text of message `number` in language `language` of UseMessages.
inline std::string messageText(const std::string& language, int number) {
  return language + " text " + std::to_string(number);
}

// Makes `languages` the process's message table: message n of language L
// is messageText(L, n), for the 60 standard messages.
inline void UseMessages(const std::vector<std::string>& languages) {
  ByteStream table;
  const uint8_t count = static_cast<uint8_t>(languages.size());
  const int32_t messages = 60;
  table.appendBytes(&count, 1);
  table.appendBytes(&messages, 4);  // little-endian on every Windows machine
  for (const std::string& name : languages) table.appendBytes(name.c_str(), static_cast<int32_t>(name.size() + 1));
  for (int n = 0; n < messages; ++n) {
    for (const std::string& name : languages) {
      const std::string text = messageText(name, n);
      table.appendBytes(text.c_str(), static_cast<int32_t>(text.size() + 1));
    }
  }
  table.seek(0);
  ASSERT_EQ(Messages.read(table), 0);
  LanguageIndex = 0;
}

// A window's text, asked with a timeout: the thread owning the window may be
// waiting for the asking one.
inline std::string windowText(HWND window) {
  char text[4096] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                      &copied);
  return text;
}

inline std::string itemText(HWND dialog, int id) { return windowText(GetDlgItem(dialog, id)); }

// The text of a message box: its first static control with a text.
inline std::string BoxText(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0 && !windowText(child).empty()) return windowText(child);
  }
  return "";
}

struct Search {
  std::string caption;
  HWND except;
  HWND found;
};

inline BOOL CALLBACK findDialog(HWND window, LPARAM context) {
  Search* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (process != GetCurrentProcessId() || window == search->except || !IsWindowVisible(window) ||
      std::string(className) != "#32770" || windowText(window) != search->caption) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// Waits for a visible dialog of this process with `caption` (not `except`);
// null on timeout.
inline HWND WaitForDialog(const std::string& caption, HWND except = nullptr) {
  for (DWORD waited = 0; waited < WaitMs; waited += PollMs) {
    Search search = {caption, except, nullptr};
    EnumWindows(findDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(PollMs);
  }
  return nullptr;
}

// Clicks a button the way the mouse would, without waiting for what the
// click starts (another modal loop, say).
inline void PostClick(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Whether the dialog still exists a moment after something was sent to it.
inline bool StaysOpen(HWND dialog) {
  Sleep(200);
  return IsWindow(dialog) && IsWindowVisible(dialog);
}

// Runs `show` (which runs a modal dialog) on this thread while `drive` runs
// on a second one, and returns what `show` returned. Should `drive` leave a
// dialog open, every dialog with `caption` gets the abort button pressed, so
// that a failing test ends instead of hanging.
template <class Show, class Drive>
auto WhileDriving(const std::string& caption, Show show, Drive drive) -> decltype(show()) {
  std::atomic<bool> shown{false};
  std::thread driver([&] {
    drive();
    for (int i = 0; i < 100 && !shown; ++i) {
      Search search = {caption, nullptr, nullptr};
      EnumWindows(findDialog, reinterpret_cast<LPARAM>(&search));
      if (search.found != nullptr) PostMessageA(search.found, WM_COMMAND, AbortButton, 0);
      Sleep(50);
    }
  });
  auto result = show();
  shown = true;
  driver.join();
  return result;
}

}  // namespace ui_test
