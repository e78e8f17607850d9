// Path texts: joining, splitting and checking backslash-separated paths with
// drive letters. Pure text work, no file system; the Win32 side (current,
// module and system directories, short names) is in platform/filesys.h.
//
// Every function takes a PathText, so callers pass a String or a
// NUL-terminated text alike; a null text counts as empty.
#pragma once

#include "core/core32.h"

// A borrowed path argument: a NUL-terminated text or a String, never copied.
// It must not outlive what it points into.
class PathText {
 public:
  PathText(const char* text) : text_(text) {}
  PathText(const String& s) : text_(s.cStr()) {}

  const char* text() const { return text_ ? text_ : ""; }
  bool isNull() const { return text_ == nullptr; }
  bool isEmpty() const { return text_ == nullptr || *text_ == '\0'; }
  int length() const;
  char charAt(int i) const;  // 0 outside the text

 private:
  const char* text_;
};

constexpr char PathSeparator = '\\';
// The characters isValidPath rejects (after the drive colon is removed).
constexpr char InvalidPathChars[] = "/\"<>|*?:;";
constexpr char LinkExtension[] = ".LNK";

// dir and name with one backslash between them: an empty dir gives name, an
// empty name gives dir; a name starting with a backslash drops one trailing
// backslash of dir; no backslash is inserted after ':' or an existing one.
// "C:" + "x" gives "C:x"; "C:\dir" + "\x" gives "C:\dir\x".
String joinPath(PathText dir, PathText name);

// Index of the last character of the directory part: for the last backslash
// at b, b itself when a ':' precedes it (a root keeps its backslash), else
// b - 1; without backslash the index of the first ':', or -1.
int directoryEnd(PathText path);
// The text up to directoryEnd inclusive: "C:\dir\f" gives "C:\dir", "C:\f"
// gives "C:\", a bare name gives "".
String directoryPart(PathText path);
// Cuts path to its directoryPart; false (path unchanged) when it has none.
bool removeFileName(String& path);
// Index after the last backslash, else after the first ':', else 0.
int fileNameStart(PathText path);
String fileNamePart(PathText path);
// dir receives everything up to and including the last backslash (or the
// "C:" of "C:name"), name the rest. Returns whether name is non-empty.
bool splitPath(PathText path, String& dir, String& name);

// Appends ext (with a '.' unless it has one) when the file name part has no
// '.'. False, path unchanged, when an extension exists or ext is empty.
bool addExtension(String& path, PathText ext);
// A bare name (no backslash, no ':') becomes joinPath(dir, name); otherwise
// false and unchanged.
bool prefixDirectory(String& path, PathText dir);
// Completes path against base, which must be a drive path ("C:\..."): a path
// without drive gets base's drive (when it starts with a backslash) or all
// of base in front; "D:name" gets base's directory after the colon. Returns
// false, path unchanged, for an absolute or UNC path or a base that is no
// drive path.
bool makeAbsolute(String& path, PathText base);

bool isDrivePath(PathText text);  // second and third characters are ":\"
// A path that names the same place from any current directory: a drive
// path ("X:\...") or a UNC path ("\\server\...").
bool isFullPath(PathText text);
char driveLetter(PathText path);  // upper-cased letter of "x:...", else 0
String driveRoot(PathText path);  // "X:\" for "X:...", else ""

// False for an empty text; otherwise, after one surrounding pair of double
// quotes and a drive colon are removed, true when nothing is left of
// InvalidPathChars or control characters, and something is left at all.
bool isValidPath(PathText text);
// Equal case-insensitively once trailing backslashes are removed.
bool samePath(PathText a, PathText b);
// path lies below dir (not dir itself), compared case-insensitively.
bool isInside(PathText path, PathText dir);

// Appends ".LNK" unless the path already ends in ".lnk" (any case). Returns
// whether it appended.
bool ensureLinkExtension(String& path);
