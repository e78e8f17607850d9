#include "core/fatal.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

void defaultReporter(const char* text) {
  fputs(text, stderr);
  fputc('\n', stderr);
  fflush(stderr);
}

FatalReporter reporter = defaultReporter;


}  // namespace

FatalReporter setFatalReporter(FatalReporter next) {
  FatalReporter previous = reporter;
  reporter = next ? next : defaultReporter;
  return previous == defaultReporter ? nullptr : previous;
}

void fatalText(const char* text) {
  reporter(text ? text : "");
  // A reporter must not return; when it does, nothing sensible is left.
  abort();
}

void fatalFormatted(const char* format, const FormatArg* args, int count) {
  // On the stack rather than in a String: a fatal report may be the
  // consequence of a failed allocation.
  char text[FormatLimit + 1];
  formatArgs(text, sizeof text, format, args, count);
  fatalText(text);
}

void fatalAssertFailed(const char* module, int line) { fatalError("%s %d", module, line); }

