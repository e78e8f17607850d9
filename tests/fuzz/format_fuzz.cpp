// Fuzzes the type-checked formatter with hostile formats: format texts come
// from the archive, so any text must be safe with the arguments a caller
// passes. The format is fuzzed; the argument lists are fixed, typed as the
// installer's callers type them.
// Property: no crash, no read or write outside the output (whose capacity
// the first byte chooses, allocated to exactly that size) or the arguments;
// the result is at most min(capacity - 1, FormatLimit) and ends in a NUL.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "core/core32.h"
#include "core/format.h"

namespace {

// The capacities tried: tiny, ordinary, and beyond FormatLimit.
const int Capacities[] = {1, 2, 7, 64, 260, 1024, FormatLimit + 1, FormatLimit + 64};

void formatInto(int capacity, const char* format, const FormatArg* args, int count) {
  char* out = static_cast<char*>(malloc(static_cast<size_t>(capacity)));
  const int n = formatArgs(out, capacity, format, args, count);
  const int limit = capacity - 1 < FormatLimit ? capacity - 1 : FormatLimit;
  if (n < 0 || n > limit || out[n] != '\0') abort();
  free(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  const int capacity = Capacities[data[0] % (sizeof Capacities / sizeof Capacities[0])];
  const String format(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
  const String text = "C:\\Program Files\\Product";
  const int32_t number = -2147483647 - 1;
  const uint32_t count = 4294967295u;
  const int64_t big = INT64_MIN;
  const uint16_t small = 65535;
  const char letter = 'x';
  const double real = -1.5e308;
  const char* const nothing = nullptr;
  const FormatArg typical[] = {text, number, count, text};
  const FormatArg every[] = {number, count, big, small, letter, real, text, nothing, &number, text.cStr()};
  formatInto(capacity, format.cStr(), nullptr, 0);
  formatInto(capacity, format.cStr(), typical, 4);
  formatInto(capacity, format.cStr(), every, 10);
  // The String front end, which sizes its own scratch area.
  String out;
  out.format(format.cStr(), text, number, real);
  if (out.length() > FormatLimit) abort();
  return 0;
}
