// Child processes and the windows of other programs: starting a command line
// in a directory with a show mode, asking whether it has ended, finding and
// closing a top-level window by its caption, and pausing the thread.
//
// The waits here are single rounds; the caller builds its own loop around
// them so that it can keep its windows painted between rounds.
#pragma once

#include "core/path.h"

// How the child's first window is shown (the start-up information's show
// value; a program that ignores it shows itself as it likes).
enum class ShowMode {
  Normal,     // no show value: the child decides
  Hidden,     // SW_HIDE
  Minimized,  // SW_MINIMIZE
};

// A started command line. Both system handles (process and thread) are
// closed when the holder goes, when close() is called and when start() fails,
// so no path leaks them.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { close(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Closes any earlier child's handles, then starts commandLine (the program
  // is found by the system from its first word) with normal priority and no
  // inherited handles. workingDirectory null or "" keeps the caller's current
  // directory. newConsole gives the child a console of its own instead of
  // the caller's. True when the process was started.
  bool start(PathText commandLine, PathText workingDirectory, ShowMode show, bool newConsole);

  bool isStarted() const { return process_ != nullptr; }

  // Waits up to waitMs milliseconds for the child to end. True when it has
  // ended, also when the wait itself fails (so that a loop around it always
  // ends) and when no child is held.
  bool hasEnded(unsigned waitMs);

  // Lets go of the child without waiting; it keeps running.
  void close();

 private:
  void* process_ = nullptr;
  void* thread_ = nullptr;
};

// A top-level window whose whole caption is `caption` exists (the system
// compares captions without regard to case).
bool topLevelWindowExists(const char* caption);

// Sends WM_CLOSE to the first top-level window titled `caption` and returns
// once it was handled; false when there is none.
bool closeTopLevelWindow(const char* caption);

// Posts WM_CLOSE to that window without waiting for it; false when there is
// none.
bool postCloseToTopLevelWindow(const char* caption);

// Suspends the calling thread for at least ms milliseconds.
void sleepMilliseconds(unsigned ms);
// Milliseconds since the system started; wraps after about 49 days, so
// only differences are meaningful.
unsigned tickCount();

// The command interpreter reads a batch file in the OEM code page: `text`
// (in the ANSI code page, as every path of the program) converted to it, so
// that a path with letters of the upper half names the same file there.
String oemBatchText(const String& text);
