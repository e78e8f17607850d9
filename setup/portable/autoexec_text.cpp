#include "setup/portable/autoexec_text.h"

namespace {

inline constexpr char LineEnd[] = "\r\n";
constexpr int LineEndLength = 2;

bool startsLine(const String& text, int at) { return at == 0 || text.charAt(at - 1) == '\n'; }

bool endsLine(const String& text, int at) {
  const char c = text.charAt(at);
  return at == text.length() || c == '\r' || c == '\n';
}

// The first match of `needle` (any case) that starts a line; with
// `untilLineEnd` it must also be followed by a line end or the text's end.
int findWholeLine(const String& text, const String& needle, bool untilLineEnd) {
  for (int at = text.find(needle, 0, false); at >= 0; at = text.find(needle, at + 1, false)) {
    if (startsLine(text, at) && (!untilLineEnd || endsLine(text, at + needle.length()))) return at;
  }
  return -1;
}

}  // namespace

String AutoexecPath(char drive) { return formatString("%c:\\autoexec.bat", drive); }

String PathLine(const String& shortDirectory) { return formatString("PATH=%%PATH%%;%s\r\n", shortDirectory); }

String PathLineAddition(const String& text, const String& line) {
  if (text.find(line) >= 0) return String();
  String addition;
  if (text.lastChar() != '\n') addition += LineEnd;
  addition += line;
  return addition;
}

bool RemovePathLine(String& text, const String& line) {
  int at = findWholeLine(text, line, false);
  int length = line.length();
  if (at < 0) {
    const String bare = line.substring(0, line.length() - LineEndLength);
    at = findWholeLine(text, bare, true);
    length = bare.length();
  }
  if (at < 0) return false;
  text.erase(at, length);
  return true;
}

String AutoexecFailureText(const String& autoexecPath, const String& directory, bool add) {
  return formatString("Unable to modify %s.  You will need to manually %s %s %s the PATH environment variable.\r\n\r\n",
                      autoexecPath, add ? "add" : "remove", directory, add ? "to" : "from");
}
