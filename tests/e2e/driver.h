// Drives Windows programs from outside, the way a person would: start a
// program with an exact command line, wait for its windows, read their
// captions and controls, click, type and select, and collect the exit code.
// Runs under Wine beside the program it drives (same prefix, same display).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

struct Control {
  HWND handle = nullptr;
  int id = 0;
  std::string className;
  std::string text;
};

struct Window {
  HWND handle = nullptr;
  std::string caption;
  std::string className;
  bool visible = false;
  std::vector<Control> controls;  // every child, in Z order

  // The control with this id, or null.
  const Control* control(int id) const;
  // The first control whose text is `text` (a button caption, say), or null.
  const Control* controlWithText(const std::string& text) const;
  // The text of a message box: its static controls that carry text, joined.
  std::string messageText() const;
  // A readable dump: caption, class and one line per control.
  std::string describe() const;
};

// What to wait for: a top-level window whose caption and class match
// (an empty field matches anything).
struct WindowQuery {
  std::string caption;
  std::string className;
};

// A program started by the driver. The destructor ends it if it still runs,
// so a failed test leaves nothing behind.
class Program {
 public:
  Program() = default;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();

  // Starts `executable` (a Windows path) with exactly `commandLine` as its
  // full command line; its first token may name any file (an empty
  // executable: the first token names it, as a shell runs a stored command). A Program can be
  // started again once the previous run has ended. Returns false and sets
  // error() on failure.
  bool start(const std::string& executable, const std::string& commandLine);

  bool running() const;
  DWORD processId() const { return processId_; }
  const std::string& error() const { return error_; }

  // Waits up to timeoutMs for the program to end. Returns true and sets
  // exitCode when it did.
  bool waitForExit(DWORD timeoutMs, DWORD* exitCode);
  // Ends the program at once (exit code 259 marks the ending as ours).
  void terminate();

  // The program's top-level windows (visible ones only unless asked).
  std::vector<HWND> topLevelWindows(bool visibleOnly = true) const;
  // Waits up to timeoutMs for a visible top-level window of the program that
  // matches; returns null on timeout or when the program ended first.
  HWND waitForWindow(const WindowQuery& query, DWORD timeoutMs) const;
  // Visible top-level windows whose handles are not in `expected`.
  std::vector<Window> unexpectedWindows(const std::vector<HWND>& expected) const;

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  std::string error_;
};

// Reads a window's caption, class, visibility and children.
Window readWindow(HWND window);

// Clicks the control with `id` in `window` as a mouse click would (the
// button tells its dialog). Returns false when there is no such control.
bool clickControl(HWND window, int id);
// Clicks the button whose caption is `text` ("OK", "&Yes", ...).
bool clickButton(HWND window, const std::string& text);
// Selects entry `index` of the list box `id` and tells its dialog so.
bool selectListEntry(HWND window, int id, int index);
// Replaces the text of the edit field `id`.
bool setControlText(HWND window, int id, const std::string& text);

// The Windows form of a Linux path ("/a/b" -> "Z:\a\b").
std::string windowsPath(const std::string& linuxPath);
// Saves a screenshot of the whole X screen ($DISPLAY) as a PNG file at the
// Linux path. Returns false when it could not be taken.
bool saveScreenshot(const std::string& linuxPath);

}  // namespace driver
