#include "setup/portable/removal_texts.h"

#include "core/path.h"
#include "setup/portable/removal_list.h"

namespace {

constexpr char Quote = '"';

// A double-quoted token from `position` on, blanks before it skipped, an
// inner quote doubled; the position moves behind its closing quote. False
// at the end of the text or for an unterminated token.
bool nextQuoted(const String& text, int& position, String& token) {
  int at = text.findNotOf(" ", position);
  if (at < 0 || text.charAt(at) != Quote) return false;
  String read;
  for (++at;; ++at) {
    if (at >= text.length()) return false;
    const char c = text.charAt(at);
    if (c == Quote && text.charAt(at + 1) != Quote) break;
    if (c == Quote) ++at;
    read.appendChar(c);
  }
  token.swap(read);
  position = at + 1;
  return true;
}

// The token in double quotes, an inner quote doubled (a font's name may hold
// one), and a blank.
void appendQuoted(String& list, const String& token) {
  list.appendChar(Quote);
  for (int i = 0; i < token.length(); ++i) {
    if (token.charAt(i) == Quote) list.appendChar(Quote);
    list.appendChar(token.charAt(i));
  }
  list.append("\" ");
}

void addEnclosingDirectories(Array<String>& directories, const String& installDir) {
  StringSet known;
  known.reset(DirectoryBuckets);
  const int listed = directories.count();
  for (int i = 0; i < listed; ++i) known.insert(DirectoryKey(directories[i]), true);
  for (int i = 0; i < listed; ++i) {
    String parent = directories[i];
    while (removeFileName(parent) && isInside(parent, installDir)) {
      if (!known.insert(DirectoryKey(parent), true)) break;  // it and its parents are known
      directories.addLast(parent);
    }
  }
}

}  // namespace

void SplitRemovalList(const String& list, const String& installDir, List<String>& files,
                      Array<String>& directories) {
  String rest = list;
  while (!rest.isEmpty()) {
    String line = rest.popLine();
    const bool directory = line.charAt(0) == '~';
    if (directory) line.dropFront(1);
    // The installation lists full paths only. Any other line (a lone "~",
    // garbage, a cut-off "C:") would be resolved against the uninstaller's
    // current directory, which is not the product's.
    if (!isFullPath(line)) continue;
    if (directory) {
      directories.addLast(line);
    } else {
      files.addLast(line);
    }
  }
  addEnclosingDirectories(directories, installDir);
  // Longest first; equal lengths keep their order.
  const int count = directories.count();
  for (int i = 1; i < count; ++i) {
    for (int j = i; j > 0 && directories[j - 1].length() < directories[j].length(); --j) {
      directories.swap(j - 1, j);
    }
  }
}

void AppendFontPair(String& list, const String& name, const String& file) {
  appendQuoted(list, name);
  appendQuoted(list, file);
}

bool NextFontPair(const String& list, int& position, String& name, String& file) {
  int at = position;
  if (!nextQuoted(list, at, name) || !nextQuoted(list, at, file)) return false;
  if (name.isEmpty() || file.isEmpty()) return false;
  position = at;
  return true;
}

String SelfRemovalBatchText(const String& uninstaller, const String& installDir, const String& uninstallSubdir,
                            const String& batchPath) {
  String text = formatString(":Repeat\r\ndel \"%s\"\r\nif exist \"%s\" goto Repeat\r\n", uninstaller, uninstaller);
  if (!uninstallSubdir.isEmpty()) text.appendFormat("rd \"%s\"\r\n", joinPath(installDir, uninstallSubdir));
  text.appendFormat("rd \"%s\"\r\n", installDir);
  text.appendFormat("del \"%s\"\r\n", batchPath);
  return text;
}
