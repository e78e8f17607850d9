// Fatal reports and the allocation helpers that never return null.
//
// Every broken precondition and every failed allocation ends in the one
// reporter bound with setFatalReporter: the Windows start-up binds it to the
// fatal message box (which ends the process); native tests bind one that
// records the text and escapes. When the reporter returns, the process aborts.
#pragma once

#include <stddef.h>

#include "core/format.h"

using FatalReporter = void (*)(const char* text);

// Binds the reporter of fatal texts and returns the previous one. A null
// reporter restores the default, which writes the text to stderr.
FatalReporter setFatalReporter(FatalReporter reporter);

// Writes `text` to the standard error file, unbuffered. Not stdio's stderr:
// with MinGW that costs the installer a runtime helper with unwind tables in
// a file section of their own.
void writeStandardError(const char* text);

// Reports a finished text; never returns.
[[noreturn]] void fatalText(const char* text);

// Formats through the type-checked formatter, then reports; never returns.
[[noreturn]] void fatalFormatted(const char* format, const FormatArg* args, int count);

template <class... A>
[[noreturn]] void fatalError(const char* format, const A&... args) {
  const FormatArg list[] = {FormatArg(args)..., FormatArg()};
  fatalFormatted(format, list, static_cast<int>(sizeof...(A)));
}

// The assertion report "%s %d": the module name ("Core32", "gfile",
// "registry", "ginstall", "sea") and the fixed line number of the check.
[[noreturn]] void fatalAssertFailed(const char* module, int line);

// Always on, also in release builds.
inline void fatalAssert(bool condition, const char* module, int line) {
  if (!condition) fatalAssertFailed(module, line);
}

// Reports "Out Of Memory.  Make sure your hard drive is not full.\nRequested
// size = %s" with the grouped size; never returns. Allocates nothing.
[[noreturn]] void outOfMemory(size_t requested);

// malloc/realloc/free that never return null: failure is outOfMemory. A
// request of 0 bytes still gives a distinct block.
void* allocateOrDie(size_t size);
void* reallocateOrDie(void* block, size_t size);
void freeBlock(void* block);
