#include "core/path.h"

#include <string.h>

int PathText::length() const { return static_cast<int>(strlen(text())); }

char PathText::charAt(int i) const {
  if (i < 0) return 0;
  const char* t = text();
  for (int k = 0; k < i; ++k) {
    if (t[k] == '\0') return 0;
  }
  return t[i];
}

namespace {

// Index of the last backslash, or -1.
int lastSeparator(const char* t) {
  const char* b = strrchr(t, PathSeparator);
  return b ? static_cast<int>(b - t) : -1;
}

// Index of the first ':', or -1.
int firstColon(const char* t) {
  const char* c = strchr(t, ':');
  return c ? static_cast<int>(c - t) : -1;
}

}  // namespace

String joinPath(PathText dir, PathText name) {
  if (dir.isEmpty()) return String(name.text());
  String result(dir.text());
  if (name.isEmpty()) return result;
  if (name.charAt(0) == PathSeparator) {
    result.dropLastIf(PathSeparator);
  } else if (result.lastChar() != ':' && result.lastChar() != PathSeparator) {
    result.appendChar(PathSeparator);
  }
  result.append(name.text());
  return result;
}

int directoryEnd(PathText path) {
  const char* t = path.text();
  const int b = lastSeparator(t);
  if (b >= 0) return (b > 0 && t[b - 1] == ':') ? b : b - 1;
  return firstColon(t);
}

String directoryPart(PathText path) {
  const int end = directoryEnd(path);
  return end >= 0 ? String(path.text(), end + 1) : String();
}

bool removeFileName(String& path) {
  const int end = directoryEnd(path);
  if (end < 0) return false;
  path.resize(end + 1);
  return true;
}

int fileNameStart(PathText path) {
  const char* t = path.text();
  const int b = lastSeparator(t);
  if (b >= 0) return b + 1;
  return firstColon(t) + 1;
}

String fileNamePart(PathText path) { return String(path.text() + fileNameStart(path)); }

bool splitPath(PathText path, String& dir, String& name) {
  // Both parts are built before either output is touched: path may point
  // into dir or name.
  const int start = fileNameStart(path);
  String d(path.text(), start);
  String n(path.text() + start);
  dir.swap(d);
  name.swap(n);
  return !name.isEmpty();
}

bool addExtension(String& path, PathText ext) {
  if (ext.isEmpty()) return false;
  const String extension(ext.text());  // ext may point into path
  if (strchr(path.cStr() + lastSeparator(path.cStr()) + 1, '.') != nullptr) return false;
  if (extension.firstChar() != '.') path.appendChar('.');
  path.append(extension);
  return true;
}

bool prefixDirectory(String& path, PathText dir) {
  if (path.findChar(PathSeparator) >= 0 || path.findChar(':') >= 0) return false;
  String joined = joinPath(dir, path);
  path.swap(joined);
  return true;
}

bool makeAbsolute(String& path, PathText base) {
  if (!isDrivePath(base)) return false;
  const String b(base.text());  // base may point into path
  if (path.charAt(1) == ':') {
    if (path.charAt(2) == PathSeparator) return false;
    // "D:name" is relative to a directory of its drive: take base's.
    String directory = b.substring(2);
    directory.ensureLastChar(PathSeparator);
    path.insert(directory, 2);
    return true;
  }
  if (path.charAt(0) == PathSeparator) {
    // "\\server\share" is absolute already; "\dir" lacks only the drive.
    if (path.charAt(1) == PathSeparator) return false;
    path.insert(b, 0, 2);
    return true;
  }
  // joinPath rather than base + "\" + path: a base with a trailing
  // backslash ("C:\") must not give a doubled separator.
  String joined = joinPath(b, path);
  path.swap(joined);
  return true;
}

bool isDrivePath(PathText text) { return text.charAt(0) != '\0' && text.charAt(1) == ':' && text.charAt(2) == PathSeparator; }

char driveLetter(PathText path) {
  const char c = path.charAt(0);
  return (isLetter(c) && path.charAt(1) == ':') ? toUpper(c) : '\0';
}

bool isFullPath(PathText text) {
  return isDrivePath(text) || (text.charAt(0) == PathSeparator && text.charAt(1) == PathSeparator);
}

String driveRoot(PathText path) {
  if (driveLetter(path) == '\0') return String();
  String root(path.text(), 2);
  root.appendChar(PathSeparator);
  return root;
}

bool isValidPath(PathText text) {
  if (text.isEmpty()) return false;
  String s(text.text());
  s.stripPair('"');
  if (s.charAt(1) == ':') s.erase(1, 1);
  if (s.isEmpty()) return false;
  for (int i = 0; i < s.length(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s.charAt(i));
    // Control characters are no more valid in a Windows path than '*' is.
    if (c < ' ' || strchr(InvalidPathChars, c) != nullptr) return false;
  }
  return true;
}

bool samePath(PathText a, PathText b) {
  String x(a.text());
  String y(b.text());
  x.trimRightChar(PathSeparator);
  y.trimRightChar(PathSeparator);
  return x.length() == y.length() && compareBytes(x.cStr(), y.cStr(), x.length(), false) == 0;
}

bool isInside(PathText path, PathText dir) {
  String base(dir.text());
  base.trimRightChar(PathSeparator);
  const int n = base.length();
  return n > 0 && path.length() > n + 1 && compareBytes(path.text(), base.cStr(), n, false) == 0 &&
         path.text()[n] == PathSeparator && !samePath(path, base);
}

bool ensureLinkExtension(String& path) {
  const int n = path.length();
  const int e = static_cast<int>(sizeof LinkExtension) - 1;
  if (n >= e && compareBytes(path.cStr() + n - e, LinkExtension, e, false) == 0) return false;
  path.append(LinkExtension);
  return true;
}
