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

// Fatal texts are formatted here rather than into a String: a fatal report
// may be the consequence of a failed allocation.
char fatalScratch[FormatLimit + 1];

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
  formatArgs(fatalScratch, sizeof fatalScratch, format, args, count);
  fatalText(fatalScratch);
}

void fatalAssertFailed(const char* module, int line) { fatalError("%s %d", module, line); }

