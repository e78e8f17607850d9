// The base of the end-to-end tests: starts a program of ours under the
// driver, reads the boxes it shows, and on a failed test saves a screenshot
// of the screen next to the CTest log before the program is ended.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/driver.h"

// Linux paths of the build, given by CMake.
std::string BuildDirectory();
std::string ProgramPath();  // tessaform.exe of this tree

// Windows class of dialogs and message boxes.
inline const char DialogClass[] = "#32770";
inline const char FatalCaption[] = "FATAL ERROR";

// The program's fixed texts, written out here independently of the program.
inline const char NoArchiveText[] =
    "This program performs installations and uninstallations.\r\n"
    "There is no installation archive present.\r\n"
    "No Uninstallation parameters were specified.\r\n\r\n"
    "You should not delete this program or execute it directly.";

// The built-in corrupt-archive report for `code`.
inline std::string corruptText(int code) {
  return "This self-extracting archive is corrupt.  This is often caused by a virus on your "
         "computer.  The installation cannot proceed.\r\n\r\nCheck your system for viruses, then "
         "ask your vendor to send you a replacement.\r\n\r\nError code: " +
         std::to_string(code);
}

// A message box shows "\r\n" line ends as they are; compare with "\n" only.
inline std::string lineEnds(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// How long a program may take to show a window or to end.
const DWORD WindowTimeoutMs = 20000;
const DWORD ExitTimeoutMs = 20000;

class EndToEnd : public ::testing::Test {
 protected:
  void TearDown() override;

  // After a failure, while the program still runs: saves a screenshot of the
  // screen (once per test) next to the CTest log.
  void captureFailure();
  // captureFailure, then ends the program if it still runs.
  void captureFailureAndEnd();

  // Starts `executable` (Linux path; default tessaform.exe) with exactly
  // `commandLine`. Fails the test when it cannot be started.
  void start(const std::string& commandLine, const std::string& executable = ProgramPath());

  // Waits for the one box the program should show, checks that no other
  // window besides the background window appeared, and returns it.
  driver::Window expectBox(const std::string& caption);
  // Clicks the box's button `buttonId` (after a screenshot if the test has
  // failed so far) and returns the program's exit code (-1 when it did not
  // end in time).
  long dismissAndWait(const driver::Window& box, int buttonId = IDOK);
  // The exit code once the program ends on its own (-1 on timeout).
  long waitForExit();

  // The program's command line for running `executable` with `arguments`:
  // the quoted Windows path, a blank, the arguments.
  static std::string commandLineFor(const std::string& executable, const std::string& arguments);
  // A fresh scratch directory for this test (Linux path).
  std::string scratchDirectory();

  driver::Program program_;

 private:
  bool captured_ = false;
};
