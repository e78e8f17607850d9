// Fuzzes the SharedFiles text of the uninstall record, which a reinstall and
// the removal read back.
// Property, chosen by the first byte:
//   even: any text is read without crashing; every name read is non-empty
//         and the position only moves forward, inside the text;
//   odd:  a round trip: the NUL-separated names of the rest, written with
//         AppendSharedName, read back as exactly those names in order.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "core/containers.h"
#include "tests/fuzz/two_modes.h"
#include "setup/portable/shared_files_text.h"

namespace {

void readHostile(const String& text) {
  int position = 0;
  String name;
  while (NextSharedName(text, position, name)) {
    if (name.isEmpty() || position > text.length()) abort();
  }
  if (!name.isEmpty()) abort();
}

void roundTrip(const String& names) {
  Array<String> written;
  String text;
  int start = 0;
  while (start < names.length()) {
    int end = names.findChar('\0', start);
    if (end < 0) end = names.length();
    const String name = names.substring(start, end - start);
    AppendSharedName(text, name);
    if (!name.isEmpty()) written.addLast(name);
    start = end + 1;
  }
  int position = 0;
  String name;
  for (int i = 0; i < written.count(); ++i)
    if (!NextSharedName(text, position, name) || name != written[i]) abort();
  if (NextSharedName(text, position, name) || position != text.length()) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunTwoModes(data, size, roundTrip, readHostile);
}
