#include "setup/portable/shared_files_text.h"

#include "core/path.h"

namespace {

constexpr char Quote = '"';
constexpr char Separator = ';';

}  // namespace

void AppendSharedName(String& text, const String& name) {
  if (name.isEmpty()) return;
  if (!text.isEmpty()) text.appendChar(Separator);
  text.appendChar(Quote);
  for (int i = 0; i < name.length(); ++i) {
    const char c = name.charAt(i);
    if (c == Quote) text.appendChar(Quote);
    text.appendChar(c);
  }
  text.appendChar(Quote);
}

// Not String::extractQuoted: that one erases what it reads and takes a
// missing closing quote for the end of the name, while a reader of a cut
// text must refuse that name.
bool NextSharedName(const String& text, int& position, String& name) {
  name.clear();
  if (text.charAt(position) != Quote) return false;  // 0 outside the text
  int i = position + 1;
  for (;;) {
    if (i >= text.length()) {
      name.clear();
      return false;
    }
    const char c = text.charAt(i++);
    if (c != Quote) {
      name.appendChar(c);
    } else if (text.charAt(i) == Quote) {
      name.appendChar(Quote);
      ++i;
    } else {
      break;
    }
  }
  if (name.isEmpty()) return false;
  if (text.charAt(i) == Separator) ++i;
  position = i;
  return true;
}

String SharedNamePath(const String& name, const String& sharedPath) {
  if (name.findChar(':') >= 0 || name.firstChar() == PathSeparator) return name;
  return joinPath(sharedPath, name);
}
