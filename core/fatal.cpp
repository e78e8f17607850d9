#include "core/fatal.h"

#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

void writeStandardError(const char* text) {
  if (text == nullptr) return;
#ifdef _WIN32
  (void)_write(2, text, static_cast<unsigned>(strlen(text)));
#else
  (void)!write(2, text, strlen(text));
#endif
}

namespace {

void defaultReporter(const char* text) {
  writeStandardError(text);
  writeStandardError("\n");
}

// Null stands for defaultReporter: a variable that starts at zero keeps the
// installer free of a section of written data (a header and a file block).
FatalReporter reporter = nullptr;


}  // namespace

FatalReporter setFatalReporter(FatalReporter next) {
  FatalReporter previous = reporter;
  reporter = next;
  return previous;
}

void fatalText(const char* text) {
  (reporter != nullptr ? reporter : defaultReporter)(text ? text : "");
  // A reporter must not return; when it does, nothing sensible is left.
  abort();
}

void fatalFormatted(const char* format, const FormatArg* args, int count) {
  // Not in a String: a fatal report may be the consequence of a failed
  // allocation. Not on the stack either: a frame this large needs the
  // compiler runtime's stack probe.
  static char text[FormatLimit + 1];
  formatArgs(text, sizeof text, format, args, count);
  fatalText(text);
}

void fatalAssertFailed(const char* module, int line) { fatalError("%s %d", module, line); }

