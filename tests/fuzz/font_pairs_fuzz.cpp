// Fuzzes the ProductFonts text of the uninstall record: the pairs of font
// name and font file the removal takes back.
// Property, chosen by the first byte:
//   even: any text is read without crashing; every pair read is two
//         non-empty texts and the position only moves forward, inside the
//         text;
//   odd:  a round trip: pairs of the NUL-separated texts of the rest,
//         written with AppendFontPair, read back as exactly those pairs.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "core/containers.h"
#include "tests/fuzz/two_modes.h"
#include "setup/portable/removal_texts.h"

namespace {

void readHostile(const String& text) {
  int position = 0;
  String name, file;
  for (;;) {
    const int before = position;
    if (!NextFontPair(text, position, name, file)) break;
    if (name.isEmpty() || file.isEmpty() || position <= before || position > text.length()) abort();
  }
}

void roundTrip(const String& texts) {
  Array<String> written;
  int start = 0;
  while (start < texts.length()) {
    int end = texts.findChar('\0', start);
    if (end < 0) end = texts.length();
    const String text = texts.substring(start, end - start);
    // A font without a name or a file is never recorded.
    if (!text.isEmpty()) written.addLast(text);
    start = end + 1;
  }
  String list;
  const int pairs = written.count() / 2;
  for (int i = 0; i < pairs; ++i) AppendFontPair(list, written[2 * i], written[2 * i + 1]);
  int position = 0;
  String name, file;
  for (int i = 0; i < pairs; ++i)
    if (!NextFontPair(list, position, name, file) || name != written[2 * i] || file != written[2 * i + 1]) abort();
  if (NextFontPair(list, position, name, file)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunTwoModes(data, size, roundTrip, readHostile);
}
