// Fuzzes the reading of an uninstall data file ("Uninstall.DAT") the way
// the uninstaller reads it: the "[Strings]" section cut off, the rest split
// into the files and directories it deletes.
// Property, chosen by the first byte:
//   even: the rest as the file's text: every path the reader gives is a
//         non-empty line of the text (it never invents or joins paths), and
//         the directories come longest first;
//   odd:  a round trip: lines of the rest recorded as an installation
//         records them (full paths, bit 0 of a line's first byte making it a
//         directory) read back as those files in order and those
//         directories, each once in any letter case.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "archive/messages.h"
#include "core/containers.h"
#include "tests/fuzz/two_modes.h"
#include "setup/portable/removal_list.h"
#include "setup/portable/removal_texts.h"

namespace {

bool isLineBreak(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// Whether `path` occurs in `text` as a whole line, after its "~" for a
// directory.
bool isLineOf(const String& text, const String& path, bool directory) {
  const String line = directory ? "~" + path : path;
  for (int at = text.find(line); at >= 0; at = text.find(line, at + 1)) {
    const bool starts = at == 0 || isLineBreak(text.charAt(at - 1));
    const int after = at + line.length();
    if (starts && (after == text.length() || isLineBreak(text.charAt(after)))) return true;
  }
  return false;
}

void readHostile(const String& file) {
  String list = file;
  MessageTable table;
  TakeStringsSection(list, table);
  List<String> files;
  Array<String> directories;
  SplitRemovalList(list, String(), files, directories);
  Iterator it;
  for (String* f = files.first(it); f; f = files.next(it))
    if (f->isEmpty() || f->firstChar() == '~' || !isLineOf(list, *f, false)) abort();
  for (int i = 0; i < directories.count(); ++i) {
    if (directories[i].isEmpty() || !isLineOf(list, directories[i], true)) abort();
    if (i > 0 && directories[i - 1].length() < directories[i].length()) abort();
  }
}

void roundTrip(const String& lines) {
  ClearRemovalList();
  List<String> recordedFiles;
  StringSet recordedDirectories;
  recordedDirectories.reset(16);
  int directoryCount = 0;
  String rest = lines;
  while (!rest.isEmpty()) {
    const String line = rest.popLine();
    if (line.isEmpty()) continue;
    const bool directory = line.firstChar() & 1;
    const String path = "C:\\" + line;
    RecordForRemoval(path, directory);
    if (!directory) {
      recordedFiles.addLast(path);
      continue;
    }
    String key = path;
    key.makeUpper();
    if (recordedDirectories.insert(key, true)) ++directoryCount;
  }
  List<String> files;
  Array<String> directories;
  SplitRemovalList(RemovalListText(), String(), files, directories);
  if (files.count() != recordedFiles.count() || directories.count() != directoryCount) abort();
  Iterator a, b;
  for (String *f = files.first(a), *g = recordedFiles.first(b); f && g; f = files.next(a), g = recordedFiles.next(b))
    if (*f != *g) abort();
  for (int i = 0; i < directories.count(); ++i) {
    String key = directories[i];
    key.makeUpper();
    if (!recordedDirectories.contains(key)) abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return RunTwoModes(data, size, roundTrip, readHostile);
}
