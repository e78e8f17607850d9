// Fuzzes the reading of the "[Strings]" section of an uninstall data file.
// Property: any text gives a table whose every message can be looked up, and
// the text is cut exactly where the section began.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "archive/messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  String text(reinterpret_cast<const char*>(data), static_cast<int>(size));
  const int section = text.find(StringsSectionName, 0, false);
  MessageTable table;
  const bool found = TakeStringsSection(text, table);
  if (found != (section >= 0) || (found && text.length() != section)) abort();
  if (table.messageCount() > StringsSectionLastNumber + 1) abort();
  for (int n = 0; n < table.messageCount(); ++n) table.lookup(n, 0, "<os>", nullptr);
  return 0;
}
