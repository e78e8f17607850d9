// tessadrive: the driver as a command-line tool, for scripts and demos.
//
//   tessadrive [--timeout SECONDS] PROGRAM.exe COMMANDLINE STEP...
//
// Starts PROGRAM.exe (a Linux or Windows path) with exactly COMMANDLINE as
// its full command line, then runs the steps in order:
//   wait=CAPTION      wait for a top-level window with this caption; it becomes
//                     the current window and is printed
//   wait-class=CLASS  the same by window class
//   shot=FILE         save a screenshot of the screen (Linux path, PNG)
//   click=ID|TEXT     click the control with this id or button text
//   text=ID:TEXT      set the text of an edit field
//   select=ID:INDEX   select a list-box entry
//   closed            wait until the current window is gone (a box that
//                     follows a dialog may carry the dialog's caption)
//   windows           print every visible top-level window of the program
//   exit              wait for the program to end and print its exit code
// The tool's exit status is 0 when every step succeeded, else 1 (the program
// is then ended).
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "tests/e2e/driver.h"

namespace {

DWORD TimeoutMs = 20000;
const DWORD ClosedPollMs = 20;

bool isNumber(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::string programPath(const std::string& path) {
  return path.size() > 1 && path[0] == '/' ? driver::windowsPath(path) : path;
}

// Splits "ID:VALUE" into its parts.
bool splitIdValue(const std::string& argument, int* id, std::string* value) {
  size_t colon = argument.find(':');
  if (colon == std::string::npos || !isNumber(argument.substr(0, colon))) return false;
  *id = atoi(argument.substr(0, colon).c_str());
  *value = argument.substr(colon + 1);
  return true;
}

bool runStep(driver::Program& program, HWND* current, const std::string& step) {
  size_t equals = step.find('=');
  std::string name = step.substr(0, equals);
  std::string argument = equals == std::string::npos ? "" : step.substr(equals + 1);
  if (name == "wait" || name == "wait-class") {
    driver::WindowQuery query;
    (name == "wait" ? query.caption : query.className) = argument;
    *current = program.waitForWindow(query, TimeoutMs);
    if (*current == nullptr) {
      fprintf(stderr, "tessadrive: no window %s=%s appeared\n", name.c_str(), argument.c_str());
      return false;
    }
    printf("%s", driver::readWindow(*current).describe().c_str());
    return true;
  }
  if (name == "shot") {
    bool saved = driver::saveScreenshot(argument);
    printf("screenshot %s: %s\n", argument.c_str(), saved ? "saved" : "FAILED");
    return saved;
  }
  if (name == "windows") {
    for (HWND window : program.topLevelWindows()) {
      printf("%s", driver::readWindow(window).describe().c_str());
    }
    return true;
  }
  if (name == "exit") {
    DWORD code = 0;
    if (!program.waitForExit(TimeoutMs, &code)) {
      fprintf(stderr, "tessadrive: the program did not end\n");
      return false;
    }
    printf("exit code %lu\n", static_cast<unsigned long>(code));
    return true;
  }
  if (*current == nullptr) {
    fprintf(stderr, "tessadrive: %s needs a window (wait= first)\n", name.c_str());
    return false;
  }
  if (name == "closed") {
    for (DWORD waited = 0; IsWindow(*current) && IsWindowVisible(*current); waited += ClosedPollMs) {
      if (waited >= TimeoutMs) {
        fprintf(stderr, "tessadrive: the window %s stayed\n", driver::readWindow(*current).caption.c_str());
        return false;
      }
      Sleep(ClosedPollMs);
    }
    *current = nullptr;
    printf("closed\n");
    return true;
  }
  int id = 0;
  std::string value;
  bool done = false;
  if (name == "click") {
    done = isNumber(argument) ? driver::clickControl(*current, atoi(argument.c_str()))
                              : driver::clickButton(*current, argument);
  } else if (name == "text") {
    done = splitIdValue(argument, &id, &value) && driver::setControlText(*current, id, value);
  } else if (name == "select") {
    done = splitIdValue(argument, &id, &value) && isNumber(value) &&
           driver::selectListEntry(*current, id, atoi(value.c_str()));
  } else {
    fprintf(stderr, "tessadrive: unknown step %s\n", step.c_str());
    return false;
  }
  printf("%s: %s\n", step.c_str(), done ? "done" : "FAILED");
  return done;
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  if (argc > 2 && std::string(argv[1]) == "--timeout") {
    TimeoutMs = static_cast<DWORD>(atoi(argv[2])) * 1000;
    first = 3;
  }
  if (argc - first < 2) {
    fprintf(stderr, "usage: tessadrive [--timeout SECONDS] PROGRAM.exe COMMANDLINE STEP...\n");
    return 2;
  }
  driver::Program program;
  if (!program.start(programPath(argv[first]), argv[first + 1])) {
    fprintf(stderr, "tessadrive: %s\n", program.error().c_str());
    return 1;
  }
  HWND current = nullptr;
  for (int i = first + 2; i < argc; ++i) {
    if (!runStep(program, &current, argv[i])) return 1;
  }
  return 0;
}
