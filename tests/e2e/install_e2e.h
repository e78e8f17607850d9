// What the installation tests share: packages built by tessapack with
// messages the tests know, the installed results read the way Windows
// programs see them (files, times, registry), and a fixture that removes
// everything a test program wrote outside its scratch directory.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include "tests/e2e/e2e_fixture.h"
#include "tests/e2e/ui_packages.h"

namespace install_e2e {

using driver::windowsPath;

inline const char UninstallKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline const char SharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
inline const char SessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
inline const char PendingRenamesValue[] = "PendingFileRenameOperations";

// One language with every text a test looks at given here, so that boxes
// can be compared whole and told apart by caption.
inline const char Language[] = R"(
[[language]]
name = "English"
[language.messages]
introduction = "Install <product>?"
reinstall-caption = "Reinstall"
reinstall-version-unknown = "Version unknown."
reinstall-same-version = "Same version."
reinstall-older-installed = "Older version installed."
reinstall-newer-installed = "Newer version installed."
reinstall-closing = "Go on?"
already-installed = "Already installed."
master-missing = "%s is missing."
error-caption = "Problem"
invalid-directory = "Bad name."
no-such-drive = "No drive %c."
root-not-allowed = "No root."
program-files-not-allowed = "Not %s."
low-disk-space = "Need %s on %c: free %s."
question-caption = "Question"
use-existing-directory = "Use %s?"
create-directory = "Create %s?"
directory-caption = "Directory"
license-caption = "Licence"
readme-caption = "Read me"
restart-question = "Restart now?"
insert-disk = "Insert disk %d in %c:"
insert-disk-caption = "Next disk"
confirm-abort = "Stop?"
)";

inline const char IntroductionCaption[] = "Tessaform v5.0";
inline const char ErrorCaption[] = "Problem";
inline const char QuestionCaption[] = "Question";
// The builder's own English caption of the completion box (text 43), which
// an interactive run that succeeded shows before it ends or asks to restart.
inline const char CompletionCaption[] = "Installation Complete";
inline const int ContinueButton = 1001;
inline const int AbortButton = 1003;
inline const int DirectoryField = 1015;

inline bool Exists(const std::string& windows) { return GetFileAttributesA(windows.c_str()) != INVALID_FILE_ATTRIBUTES; }
inline bool IsDirectory(const std::string& windows) {
  const DWORD a = GetFileAttributesA(windows.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

inline std::string Read(const std::string& windows) {
  HANDLE f = CreateFileA(windows.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (f == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(f, nullptr), '\0');
  DWORD got = 0;
  if (!bytes.empty()) ReadFile(f, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(f);
  return bytes.substr(0, got);
}

inline bool Write(const std::string& windows, const std::string& bytes) {
  HANDLE f = CreateFileA(windows.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size();
  CloseHandle(f);
  return ok;
}

// A file's last-write time as local time, "YYYY-MM-DD hh:mm:ss".
inline std::string LocalTime(const std::string& windows) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(windows.c_str(), GetFileExInfoStandard, &data)) return "<missing>";
  FILETIME local;
  SYSTEMTIME t;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &t);
  char text[32];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
           t.wSecond);
  return text;
}

// Writes a file with the local last-write time "YYYY-MM-DD hh:mm:ss".
inline bool WriteWithTime(const std::string& windows, const std::string& bytes, const std::string& localTime) {
  if (!Write(windows, bytes)) return false;
  SYSTEMTIME t = {};
  sscanf(localTime.c_str(), "%hu-%hu-%hu %hu:%hu:%hu", &t.wYear, &t.wMonth, &t.wDay, &t.wHour, &t.wMinute,
         &t.wSecond);
  FILETIME local, utc;
  SystemTimeToFileTime(&t, &local);
  LocalFileTimeToFileTime(&local, &utc);
  HANDLE f = CreateFileA(windows.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const bool ok = f != INVALID_HANDLE_VALUE && SetFileTime(f, nullptr, nullptr, &utc);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  return ok;
}

// Deletes a file or a whole directory tree (read-only files too).
inline void RemoveTree(const std::string& windows) {
  SetFileAttributesA(windows.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!IsDirectory(windows)) {
    DeleteFileA(windows.c_str());
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((windows + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..") RemoveTree(windows + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(windows.c_str());
}

// A registry text ("<none>" when missing) or number (-1 when missing).
inline std::string RegText(HKEY root, const std::string& key, const std::string& value) {
  char data[4096] = {};
  DWORD size = sizeof data - 1;
  if (RegGetValueA(root, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS)
    return "<none>";
  return data;
}
inline long RegNumber(HKEY root, const std::string& key, const std::string& value) {
  DWORD data = 0;
  DWORD size = sizeof data;
  if (RegGetValueA(root, key.c_str(), value.c_str(), RRF_RT_REG_DWORD, nullptr, &data, &size) != ERROR_SUCCESS)
    return -1;
  return static_cast<long>(data);
}
inline void RegSetText(HKEY root, const std::string& key, const std::string& value, const std::string& text) {
  RegSetKeyValueA(root, key.c_str(), value.c_str(), REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}
inline void RegRemoveValue(HKEY root, const std::string& key, const std::string& value) {
  RegDeleteKeyValueA(root, key.c_str(), value.c_str());
}

inline std::string ProductKey(const std::string& product) { return UninstallKeyPath + product; }
inline std::string Uninstall(const std::string& product, const std::string& value) {
  return RegText(HKEY_LOCAL_MACHINE, ProductKey(product), value);
}
inline long SharedCount(const std::string& path) { return RegNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, path); }

// The pending renames as "source>target" pairs joined by "|" (the "\??\"
// prefixes and the "!" that marks a replacing rename dropped), "" when there
// are none.
inline std::string PendingRenames() {
  std::vector<char> data(65536);
  DWORD size = static_cast<DWORD>(data.size());
  if (RegGetValueA(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingRenamesValue, RRF_RT_REG_MULTI_SZ, nullptr,
                   data.data(), &size) != ERROR_SUCCESS)
    return "";
  std::string out;
  bool source = true;
  for (const char* p = data.data(); *p != 0 && p < data.data() + size; p += strlen(p) + 1, source = !source) {
    std::string name = p;
    if (!name.empty() && name[0] == '!') name = name.substr(1);
    if (name.compare(0, 4, "\\??\\") == 0) name = name.substr(4);
    out += name + (source ? ">" : "|");
  }
  return out;
}

inline std::string ProgramFiles() { return RegText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"); }
inline std::string CommonFiles() { return RegText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir"); }
inline std::string SystemDirectory() {
  char path[MAX_PATH];
  GetSystemDirectoryA(path, MAX_PATH);
  return path;
}

// Runs a Windows program of the prefix (`commandLine`, e.g. "reg.exe query
// ...") without a window and collects what it writes to its standard
// output. Returns its exit code, -1 when it could not be started or did not
// end within a minute.
inline long RunCapturing(const std::string& commandLine, std::string& output) {
  output.clear();
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION info = {};
  std::string line = commandLine;
  const bool started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                      &startup, &info) != 0;
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return -1;
  }
  // Reads only what is there: a process the program started may inherit the
  // pipe and keep it open long after the program ended.
  const DWORD startedAt = GetTickCount();
  bool ended = false;
  for (;;) {
    DWORD available = 0;
    while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      char buffer[4096];
      DWORD got = 0;
      if (!ReadFile(readEnd, buffer, available < sizeof buffer ? available : sizeof buffer, &got, nullptr) ||
          got == 0)
        break;
      output.append(buffer, got);
    }
    if (ended || GetTickCount() - startedAt > 60000) break;
    ended = WaitForSingleObject(info.hProcess, 10) == WAIT_OBJECT_0;
  }
  CloseHandle(readEnd);
  DWORD code = static_cast<DWORD>(-1);
  if (ended) {
    GetExitCodeProcess(info.hProcess, &code);
  } else {
    TerminateProcess(info.hProcess, 259);
  }
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return static_cast<long>(code);
}

// The values of a key below HKEY_LOCAL_MACHINE as Wine's own registry tool
// prints them: name -> "TYPE data" ("REG_SZ text", "REG_DWORD 0x2"). Empty
// when the key is missing.
inline std::map<std::string, std::string> RegQuery(const std::string& machineKey) {
  std::string output;
  std::map<std::string, std::string> values;
  if (RunCapturing("reg.exe query \"HKLM\\" + machineKey + "\"", output) != 0) return values;
  size_t at = 0;
  while (at < output.size()) {
    size_t end = output.find('\n', at);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // "    Name    TYPE    data": values are indented, subkeys are not.
    const std::string gap = "    ";
    if (line.compare(0, gap.size(), gap) != 0) continue;
    const size_t nameEnd = line.find(gap, gap.size());
    if (nameEnd == std::string::npos) continue;
    const size_t typeStart = nameEnd + gap.size();
    const size_t typeEnd = line.find(gap, typeStart);
    if (typeEnd == std::string::npos) line += gap;  // a value with empty data may lose its trailing gap
    const std::string type = line.substr(typeStart, line.find(gap, typeStart) - typeStart);
    const std::string data = line.substr(line.find(gap, typeStart) + gap.size());
    values[line.substr(gap.size(), nameEnd - gap.size())] = type + " " + data;
  }
  return values;
}

// A folder of the shell (CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS, ...) as
// the shell itself names it.
inline std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// A shell link loaded back through the shell link object.
struct Shortcut {
  bool loaded = false;
  std::string target;
  std::string arguments;
  std::string workingDirectory;
  std::string icon;
  int iconIndex = -1;
};
inline Shortcut LoadShortcut(const std::string& windows) {
  Shortcut shortcut;
  const bool initialised = SUCCEEDED(CoInitialize(nullptr));
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, windows.c_str(), -1, wide, MAX_PATH);
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(wide, STGM_READ))) {
    char text[MAX_PATH] = {};
    shortcut.loaded = true;
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    shortcut.target = text;
    text[0] = 0;
    link->GetArguments(text, MAX_PATH);
    shortcut.arguments = text;
    text[0] = 0;
    link->GetWorkingDirectory(text, MAX_PATH);
    shortcut.workingDirectory = text;
    text[0] = 0;
    link->GetIconLocation(text, MAX_PATH, &shortcut.iconIndex);
    shortcut.icon = text;
  }
  if (file != nullptr) file->Release();
  if (link != nullptr) link->Release();
  if (initialised) CoUninitialize();
  return shortcut;
}

// Points the boot drive (the BootDir setting) at `root` for the lifetime of
// the object, with no "autoexec.bat" there; then puts the setting and the
// file back as they were.
class BootDrive {
 public:
  static constexpr char SetupKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

  explicit BootDrive(const std::string& root = "C:\\")
      : root_(root), hadValue_(RegText(HKEY_LOCAL_MACHINE, SetupKey, "BootDir") != "<none>"),
        savedValue_(RegText(HKEY_LOCAL_MACHINE, SetupKey, "BootDir")),
        hadAutoexec_(Exists(autoexecPath())), savedAutoexec_(Read(autoexecPath())) {
    DeleteFileA(autoexecPath().c_str());
    RegSetText(HKEY_LOCAL_MACHINE, SetupKey, "BootDir", root_);
  }
  ~BootDrive() {
    SetFileAttributesA(autoexecPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(autoexecPath().c_str());
    if (hadAutoexec_) Write(autoexecPath(), savedAutoexec_);
    if (hadValue_) {
      RegSetText(HKEY_LOCAL_MACHINE, SetupKey, "BootDir", savedValue_);
    } else {
      RegRemoveValue(HKEY_LOCAL_MACHINE, SetupKey, "BootDir");
    }
  }
  BootDrive(const BootDrive&) = delete;
  BootDrive& operator=(const BootDrive&) = delete;

  std::string autoexecPath() const { return root_.substr(0, 2) + "\\autoexec.bat"; }
  std::string autoexec() const { return Read(autoexecPath()); }

 private:
  std::string root_;
  bool hadValue_;
  std::string savedValue_;
  bool hadAutoexec_;
  std::string savedAutoexec_;
};

// An installation test: builds packages in its scratch directory, runs
// them, and at the end removes the products' uninstall keys and every path
// and registry value it was told about, whether the test passed or not.
class Installing : public EndToEnd {
 protected:
  void SetUp() override {
    scratch_ = scratchDirectory();
    RemoveTree(windowsPath(scratch_));  // what an earlier run left
    scratch_ = scratchDirectory();
  }
  void TearDown() override {
    EndToEnd::TearDown();
    for (const std::string& product : products_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKey(product).c_str());
    for (const std::string& path : sharedPaths_) RegRemoveValue(HKEY_LOCAL_MACHINE, SharedDllsKey, path);
    for (const std::string& path : paths_) RemoveTree(path);
    if (!smallDrive_.empty()) {
      ui_e2e::RunLinuxScript(scratch_, "umount '" + smallDrive_ + "'; rm -f '" + driveLink_ + "'", nullptr);
    }
  }

  // A tmpfs of `kib` KiB as a free drive letter of the prefix until the
  // test ends; 0, with a note printed, when mounting is not allowed here.
  char mountSmallDrive(int kib) {
    const char* prefix = getenv("WINEPREFIX");
    const char letter = freeDriveLetter('Q');
    if (prefix == nullptr || letter == 0) return 0;
    smallDrive_ = scratch_ + "/small";
    driveLink_ = std::string(prefix) + "/dosdevices/" + static_cast<char>(letter - 'A' + 'a') + ":";
    std::string output;
    const int status = ui_e2e::RunLinuxScript(
        scratch_,
        "mkdir -p '" + smallDrive_ + "' && mount -t tmpfs -o size=" + std::to_string(kib) + "k tmpfs '" +
            smallDrive_ + "' && ln -sfn '" + smallDrive_ + "' '" + driveLink_ + "'",
        &output);
    if (status != 0) {
      printf("no small drive (%s): its cases are not tested\n", output.c_str());
      smallDrive_.clear();
      return 0;
    }
    return letter;
  }

  // The first drive letter from `from` on that names no drive; 0 for none.
  static char freeDriveLetter(char from) {
    for (char letter = from; letter <= 'Y'; ++letter) {
      const char root[] = {letter, ':', '\\', 0};
      if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) return letter;
    }
    return 0;
  }

  // Builds `manifest` (the [product] name and the language are added) in
  // its own folder (no blanks: the builder runs in a shell script) below the
  // scratch directory; returns the package's path.
  std::string build(const std::string& folder, const std::string& product, const std::string& manifest) {
    const std::string directory = scratch_ + "/" + folder;
    CreateDirectoryA(windowsPath(directory).c_str(), nullptr);
    forget(product);
    return ui_e2e::BuildPackage(directory, "[product]\nname = \"" + product + "\"\n" + manifest + Language);
  }
  // build() with more message overrides: TOML lines ("key = \"text\"\n")
  // added to the language's messages.
  std::string buildWithMessages(const std::string& folder, const std::string& product, const std::string& manifest,
                                const std::string& messages) {
    const std::string directory = scratch_ + "/" + folder;
    CreateDirectoryA(windowsPath(directory).c_str(), nullptr);
    forget(product);
    return ui_e2e::BuildPackage(directory,
                                "[product]\nname = \"" + product + "\"\n" + manifest + Language + messages);
  }
  // A file the package takes, in the folder of build().
  void source(const std::string& folder, const std::string& name, const std::string& bytes) {
    CreateDirectoryA(windowsPath(scratch_ + "/" + folder).c_str(), nullptr);
    EXPECT_TRUE(Write(windowsPath(scratch_ + "/" + folder + "/" + name), bytes));
  }

  void forget(const std::string& product) { products_.push_back(product); }
  void removeAtEnd(const std::string& windows) { paths_.push_back(windows); }
  void uncountAtEnd(const std::string& windows) { sharedPaths_.push_back(windows); }

  // Runs the package with `arguments` and expects it to end by itself.
  void runQuietly(const std::string& package, const std::string& arguments) {
    SCOPED_TRACE(arguments);
    start(commandLineFor(package, arguments), package);
    EXPECT_EQ(waitForExit(), 1);
  }

  // The next box or dialog with `caption`, once `previous` (the window
  // just answered, which may share its caption) is gone.
  driver::Window next(const std::string& caption, const driver::Window& previous = driver::Window()) {
    for (DWORD waited = 0; previous.handle != nullptr && IsWindow(previous.handle) && waited < WindowTimeoutMs;
         waited += 20)
      Sleep(20);
    HWND box = program_.waitForWindow({caption, DialogClass}, WindowTimeoutMs);
    if (box == nullptr) {
      std::string seen;
      for (HWND w : program_.topLevelWindows()) seen += driver::readWindow(w).describe();
      ADD_FAILURE() << "no window \"" << caption << "\"; windows: " << seen;
      return driver::Window();
    }
    return driver::readWindow(box);
  }
  // Answers `box` with `button` and returns the next window `caption`.
  driver::Window answer(const driver::Window& box, int button, const std::string& caption) {
    EXPECT_TRUE(box.handle != nullptr && driver::clickControl(box.handle, button)) << box.describe();
    return next(caption, box);
  }
  // Answers `box` with `button`, then the completion box of the successful
  // run that follows; returns the exit code.
  long answerAndComplete(const driver::Window& box, int button) {
    return dismissAndWait(answer(box, button, CompletionCaption), IDOK);
  }
  // Types `directory` into the directory dialog and continues.
  driver::Window chooseDirectory(const driver::Window& dialog, const std::string& directory,
                                 const std::string& caption) {
    EXPECT_TRUE(driver::setControlText(dialog.handle, DirectoryField, directory)) << dialog.describe();
    return answer(dialog, ContinueButton, caption);
  }

  std::string scratch_;  // Linux path

 private:
  std::string smallDrive_;  // Linux path of the mounted tmpfs
  std::string driveLink_;   // its link in the prefix's dosdevices
  std::vector<std::string> products_;
  std::vector<std::string> paths_;
  std::vector<std::string> sharedPaths_;
};

// Calls `visit(path, found)` for every entry below `directory` ("." and
// ".." aside), a folder before what it holds; a folder is entered when
// `visit` returns true for it.
template <typename Visit>
void WalkDirectory(const std::string& directory, Visit visit) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = directory + "\\" + name;
    if (visit(path, found) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) WalkDirectory(path, visit);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace install_e2e
