#include "platform/filesys.h"

#include <windows.h>
#include <string.h>

#include "core/fatal.h"
#include "platform/system_links.h"
#include "platform/win32_handles.h"

namespace {

constexpr int PathBufferSize = MAX_PATH;
constexpr int CurrentDirectoryFirstSize = 99;
// No system path text is longer; a call that keeps asking for more fails.
constexpr int SystemTextLimit = 32768;

// Fetches a text from a Win32 call that writes into (buffer, size) and
// returns the length written, or, when the buffer is too small, the size it
// needs (or size itself, for calls that truncate). "" when the call fails.
template <class Fetch>
String fetchSystemText(int size, Fetch fetch) {
  String text;
  while (size <= SystemTextLimit) {
    text.reset(size);  // room for size characters and a terminator
    const DWORD n = fetch(text.buffer(), static_cast<DWORD>(size));
    if (n == 0) break;
    if (n < static_cast<DWORD>(size)) {
      text.resize(static_cast<int>(n));
      return text;
    }
    size = static_cast<int>(n) + 1 > 2 * size ? static_cast<int>(n) + 1 : 2 * size;
  }
  text.clear();
  return text;
}

// "X:\" for a drive letter.
String rootOf(char letter) {
  String root;
  root.format("%c:\\", letter);
  return root;
}

String fullPath(const char* path) {
  return fetchSystemText(PathBufferSize, [path](char* buffer, DWORD size) {
    return GetFullPathNameA(path, size, buffer, nullptr);
  });
}

// deleteTree's refusals: drive roots and the Windows directory with all
// below it, judged on the text as given and on its full form, so that
// "C:\dir\.." or a relative path cannot reach them either.
bool isProtectedDirectory(const char* dir) {
  if (strlen(dir) <= 3) return true;
  const String windows = windowsDirectory();
  if (startsWithNoCase(String(dir), windows.cStr())) return true;
  String full = fullPath(dir);
  full.trimRightChar('\\');
  return full.length() <= 3 || startsWithNoCase(full, windows.cStr());
}

bool isDotEntry(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

}  // namespace

String shortPath(PathText path) {
  const int length = path.length();
  const char* p = path.text();
  String s = fetchSystemText(length * 2 > PathBufferSize ? length * 2 : PathBufferSize,
                             [p](char* buffer, DWORD size) { return GetShortPathNameA(p, buffer, size); });
  return s.isEmpty() ? String(p) : s;
}

String modulePath() {
  return fetchSystemText(PathBufferSize,
                         [](char* buffer, DWORD size) { return GetModuleFileNameA(nullptr, buffer, size); });
}

String moduleDirectory() { return directoryPart(modulePath()); }

String moduleFileName() { return fileNamePart(modulePath()); }

String pathInModuleDirectory(PathText name) { return joinPath(moduleDirectory(), name); }

String windowsDirectory() {
  return fetchSystemText(PathBufferSize, [](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); });
}

String systemDirectory() {
  return fetchSystemText(PathBufferSize, [](char* buffer, DWORD size) { return GetSystemDirectoryA(buffer, size); });
}

String currentDirectory() {
  return fetchSystemText(CurrentDirectoryFirstSize,
                         [](char* buffer, DWORD size) { return GetCurrentDirectoryA(size, buffer); });
}

String tempFileName(PathText dir) {
  char name[PathBufferSize];
  if (GetTempFileNameA(dir.text(), TempFilePrefix, 0, name) == 0) return String();
  return String(name);
}

bool fileExists(PathText path) {
  // A name that is not there is settled by its attributes: a failed open
  // would also fetch the system's text for the error, and extraction asks
  // this of every file it writes.
  if (path.isEmpty() || !filePresent(path)) return false;
  File f;
  return f.openExisting(path, true, false, false);
}

bool directoryExists(PathText path) {
  if (path.isEmpty()) return false;
  const DWORD attributes = GetFileAttributesA(path.text());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool driveExists(char letter) { return GetDriveTypeA(rootOf(letter).cStr()) != DRIVE_NO_ROOT_DIR; }

bool makeDirectories(PathText path) {
  if (path.isEmpty()) return false;
  // Made first, asked about only when that fails: the usual folder is new
  // and its parent there, and every question about a missing name costs the
  // file system a search of the parent folder (under Wine a read of all of
  // it, for names that differ only in case). The failure's code tells a
  // name that is there from a parent that is not, so a new chain of folders
  // costs two calls a folder, not five.
  if (CreateDirectoryA(path.text(), nullptr)) return true;
  if (GetLastError() == ERROR_ALREADY_EXISTS) return directoryExists(path);
  const String parent = directoryPart(path);
  // A root is its own directory part ("Q:\" of a missing drive): it can only
  // be tried, not made from its parent.
  const bool parentReady = parent.isEmpty() || parent.length() >= path.length() || makeDirectories(parent);
  if (!parentReady) return false;
  return CreateDirectoryA(path.text(), nullptr) || directoryExists(path);
}

void createDirectoryOrDie(PathText path) {
  if (!makeDirectories(path)) fatalError("Unable to create directory:\r\n%s", path.text());
}

bool removeDirectory(PathText path) {
  if (path.length() <= 3) return false;
  String dir(path.text());
  dir.dropLastIf('\\');
  return RemoveDirectoryA(dir.cStr()) != 0;
}

bool deleteTree(PathText dir) {
  if (dir.isNull() || isProtectedDirectory(dir.text())) return false;
  const String base(dir.text());
  WIN32_FIND_DATAA entry;
  ScopedFind find(FindFirstFileA(joinPath(base, "*.*").cStr(), &entry));
  if (!find.valid()) return false;
  bool ok = true;
  do {
    if (isDotEntry(entry.cFileName)) continue;
    const String child = joinPath(base, entry.cFileName);
    const DWORD attributes = entry.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      ok = deleteFile(child) && ok;
    } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // A directory link: remove the link, never what it points to.
      ok = RemoveDirectoryA(child.cStr()) && ok;
    } else {
      ok = deleteTree(child) && ok;
    }
  } while (FindNextFileA(find.get(), &entry));
  find.close();
  return removeDirectory(base) && ok;
}

bool deleteFile(PathText path) {
  if (path.isNull()) return false;
  // Deleted first: the read-only attribute, the one thing a retry can
  // mend, is asked about only when that fails, so the usual file costs one
  // call instead of three.
  if (DeleteFileA(path.text())) return true;
  const int attributes = fileAttributes(path);
  if (attributes == -1 || (attributes & FILE_ATTRIBUTE_READONLY) == 0) return false;
  return setReadOnly(path, false) && DeleteFileA(path.text()) != 0;
}

int fileAttributes(PathText path) {
  if (path.isNull()) return -1;
  return static_cast<int>(GetFileAttributesA(path.text()));
}

bool setAttributes(PathText path, int attributes) {
  if (path.isNull()) return false;
  return SetFileAttributesA(path.text(), static_cast<DWORD>(attributes)) != 0;
}

bool setReadOnly(PathText path, bool on) {
  const int attributes = fileAttributes(path);
  if (attributes == -1) return false;
  if (((attributes & FILE_ATTRIBUTE_READONLY) != 0) == on) return true;
  int wanted = on ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~FILE_ATTRIBUTE_READONLY);
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  return setAttributes(path, wanted);
}

bool isWritable(PathText path) {
  File f;
  return f.open(path, WritableProbeFlags, 0);
}

int64_t fileSize(PathText path) {
  File f;
  if (!f.openExisting(path, true, false, false)) return -1;
  return f.size();
}

bool fileTime(PathText path, DateTimeStamp& out) {
  File f;
  return f.openExisting(path, true, false, false) && f.getTime(out);
}

bool readWholeFile(PathText path, String& out) {
  out.clear();
  File f;
  if (path.isEmpty() || !f.openExisting(path, true, false, false)) return false;
  const int64_t size = f.size();
  if (size < 0 || size > StringSizeLimit) return false;
  out.reset(static_cast<int>(size));
  if (!f.readBlock(out.buffer(), static_cast<int>(size))) {
    out.clear();
    return false;
  }
  return true;
}

bool writeWholeFile(PathText path, const void* bytes, int n) {
  File f;
  return f.create(path, false) && f.write(bytes, n);
}

bool writeWholeFile(PathText path, const String& bytes) {
  return writeWholeFile(path, bytes.cStr(), bytes.length());
}

bool appendTextToFile(PathText path, PathText text) {
  File f;
  return f.open(path, ShareRead | ShareWrite, 0) && f.seekFromEnd(0) && f.write(text.text(), text.length());
}

int64_t diskFreeAt(PathText root) {
  DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
  if (root.isNull() ||
      !GetDiskFreeSpaceA(root.text(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
    return -1;
  }
  return static_cast<int64_t>(freeClusters) * sectorsPerCluster * bytesPerSector;
}

int64_t diskFree(char letter) {
  if (!isLetter(letter)) return -1;
  return diskFreeAt(rootOf(letter));
}

int bytesPerCluster(char letter) {
  DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
  if (!GetDiskFreeSpaceA(rootOf(letter).cStr(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &totalClusters)) {
    return -1;
  }
  return static_cast<int>(sectorsPerCluster * bytesPerSector);
}

bool runProgram(PathText file) {
  const ShellFunctions* shell = LinkedShell();
  if (shell == nullptr) return false;
  const String directory = moduleDirectory();
  const HINSTANCE result =
      shell->execute(nullptr, nullptr, file.text(), nullptr, directory.cStr(), SW_SHOWNORMAL);
  // The shell reports success as a value above 32.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool listDirectory(PathText dir, List<String>& names) {
  names.clear();
  if (dir.isNull()) return false;
  WIN32_FIND_DATAA entry;
  ScopedFind find(FindFirstFileA(joinPath(dir, "*.*").cStr(), &entry));
  if (!find.valid()) return false;
  do {
    if (!isDotEntry(entry.cFileName)) names.addLast(String(entry.cFileName));
  } while (FindNextFileA(find.get(), &entry));
  return true;
}

bool filePresent(PathText path) {
  const int attributes = fileAttributes(path);
  return attributes != -1 && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
