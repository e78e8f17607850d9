// Fuzzes the installer's command line: the switches of the tail and the
// program's own name taken from the full line.
// Property: any text is parsed or refused without crashing; a refusal names
// one of the two problems and the atom behind it; the own name is never
// empty.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "setup/portable/command_line.h"

namespace {

const char Unexpected[] = "Unexpected command line parameter:\n";
const char Illegal[] = "Illegal command line atom:\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  // The system hands both as NUL-terminated texts.
  const String line(reinterpret_cast<const char*>(data), static_cast<int>(size));
  CommandLineOptions options;
  String problem;
  if (ParseCommandLine(line.cStr(), options, problem)) {
    if (!problem.isEmpty()) abort();
  } else if (problem.compare(Unexpected, true, sizeof Unexpected - 1) != 0 &&
             problem.compare(Illegal, true, sizeof Illegal - 1) != 0) {
    abort();
  }
  if (OwnFileName(line.cStr()).isEmpty()) abort();
  return 0;
}
