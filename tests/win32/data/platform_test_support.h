// Shared helpers of the platform tests (files, registry, shell) run under
// Wine: fatal reports caught without unwinding, scratch directories, and the
// Windows paths of the probe files built beside the tests.
#pragma once

#include <windows.h>

#include <string>

#include "core/fatal.h"

namespace platform_test {

// The platform layer is built without exceptions, so the test reporter
// leaves a failing call by a jump that needs no unwinding (destructors of
// the abandoned frames do not run).
inline void* jumpBuffer[5];
inline std::string reportedText;

inline void jumpingReporter(const char* text) {
  reportedText = text;
  __builtin_longjmp(jumpBuffer, 1);
}

// Runs action and returns the fatal text it raised, or "(none)".
template <class F>
std::string fatalTextOf(F action) {
  reportedText = "(none)";
  FatalReporter previous = setFatalReporter(jumpingReporter);
  if (__builtin_setjmp(jumpBuffer) == 0) action();
  setFatalReporter(previous);
  return reportedText;
}

// Removes a directory tree with the raw API (independent of the code under
// test).
inline void removeTreeRaw(const std::string& dir) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = dir + "\\" + name;
      SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        removeTreeRaw(child);
      } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryA(child.c_str());
      } else {
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(dir.c_str());
}

// A fresh, empty directory below the temporary directory, removed again
// when the holder goes.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "tessa-platform-" + name;
    removeTreeRaw(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchDirectory() { removeTreeRaw(path_); }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

inline bool writeRaw(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

inline bool isDirectoryRaw(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool existsRaw(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

#ifdef TESSA_BINARY_DIR
// The Windows path of a probe file built into tests/win32/data of the build
// tree (the Linux root is drive Z: in the test prefix).
inline std::string probePath(const std::string& name) {
  std::string path = std::string("Z:") + TESSA_BINARY_DIR + "/tests/win32/data/" + name;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
#endif

}  // namespace platform_test
