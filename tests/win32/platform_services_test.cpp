// Child processes and windows by caption, font resources, run-time linking,
// the NT test with profile strings, and the restart, against the test prefix.
//
// Started with "/window-helper:<caption>" this program is its own helper
// child instead: it shows one top-level window titled with the caption and
// the show value it was started with, and ends when that window is closed.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/process.h"
#include "platform/restart.h"
#include "platform/runtime_link.h"
#include "platform/system_links.h"
#include "platform/system_version.h"
#include "tests/win32/data/platform_test_support.h"

using platform_test::existsRaw;
using platform_test::ScratchDirectory;
using platform_test::writeRaw;

namespace {

constexpr char HelperSwitch[] = "/window-helper:";

LRESULT CALLBACK helperProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, w, l);
}

// Runs before GoogleTest's main when this process is the helper child.
const bool helperMode = [] {
  const char* at = strstr(GetCommandLineA(), HelperSwitch);
  if (at == nullptr) return false;
  STARTUPINFOA startup = {};
  GetStartupInfoA(&startup);
  const std::string caption = std::string(at + strlen(HelperSwitch)) + " show=" +
      ((startup.dwFlags & STARTF_USESHOWWINDOW) ? std::to_string(startup.wShowWindow) : "none");
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = helperProcedure;
  windowClass.lpszClassName = "TessaWindowHelper";
  RegisterClassA(&windowClass);
  CreateWindowA("TessaWindowHelper", caption.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                nullptr, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  ExitProcess(0);
}();

std::string selfPath() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

template <class Condition>
bool within(int ms, Condition condition) {
  for (int waited = 0; waited < ms; waited += 20, Sleep(20)) {
    if (condition()) return true;
  }
  return condition();
}

TEST(ChildProcess, CommandsRunInTheirDirectoryAndEnd) {
  struct Case {
    ShowMode show;
    bool newConsole;
  } const cases[] = {{ShowMode::Normal, false}, {ShowMode::Hidden, false}, {ShowMode::Minimized, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.show));
    ScratchDirectory dir("process");
    ChildProcess child;
    ASSERT_TRUE(child.start("cmd /c echo ran> marker.txt", dir.path().c_str(), c.show, c.newConsole));
    EXPECT_TRUE(child.isStarted());
    EXPECT_TRUE(within(20000, [&] { return child.hasEnded(1); }));
    EXPECT_TRUE(existsRaw(dir / "marker.txt"));  // written in the working directory
    child.close();
    EXPECT_FALSE(child.isStarted());
    EXPECT_TRUE(child.hasEnded(0));  // nothing to wait for
  }
  ScratchDirectory dir("process-failures");
  ChildProcess child;
  EXPECT_FALSE(child.start("tessa-no-such-program.exe", dir.path().c_str(), ShowMode::Normal, false));
  EXPECT_FALSE(child.start("cmd /c exit", (dir / "missing").c_str(), ShowMode::Normal, false));
  EXPECT_FALSE(child.start("", nullptr, ShowMode::Normal, false));
  EXPECT_FALSE(child.isStarted());
}

TEST(ChildProcess, RunsUntilItsWindowIsClosed) {
  struct Case {
    ShowMode show;
    const char* shown;  // the show value the child saw
    bool post;
  } const cases[] = {{ShowMode::Normal, "none", false}, {ShowMode::Hidden, "0", false},
                     {ShowMode::Minimized, "6", true}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string base = "Tessa window probe " + std::to_string(++n);
    const std::string caption = base + " show=" + c.shown;
    SCOPED_TRACE(caption);
    ChildProcess child;
    ASSERT_TRUE(child.start(("\"" + selfPath() + "\" " + HelperSwitch + base).c_str(), nullptr, c.show, false));
    ASSERT_TRUE(within(20000, [&] { return topLevelWindowExists(caption.c_str()); }));
    EXPECT_FALSE(child.hasEnded(1));
    EXPECT_TRUE(c.post ? postCloseToTopLevelWindow(caption.c_str()) : closeTopLevelWindow(caption.c_str()));
    EXPECT_TRUE(child.hasEnded(20000));
    EXPECT_FALSE(topLevelWindowExists(caption.c_str()));
    EXPECT_FALSE(closeTopLevelWindow(caption.c_str()));
    EXPECT_FALSE(postCloseToTopLevelWindow(caption.c_str()));
  }
  // The tick count moves in steps of up to 16 ms: a 50 ms sleep shows as
  // anything from about 34 ms on, and a sleep that did not wait as 0 or 16.
  const DWORD start = GetTickCount();
  sleepMilliseconds(50);
  EXPECT_GE(GetTickCount() - start, 30u);
}

TEST(RuntimeLink, LinksFreesAndReportsMissingFunctions) {
  void* const unset = reinterpret_cast<void*>(1);
  void* moveFileEx = unset;
  void* missing = unset;
  const RuntimeLinkEntry optionalMissing[] = {
      {"MoveFileExA", &moveFileEx, false}, {"TessaNoSuchFunction", &missing, true}, {"", nullptr, false}};
  ASSERT_TRUE(LinkFunctions("kernel32.dll", optionalMissing));
  EXPECT_EQ(moveFileEx, reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "MoveFileExA")));
  EXPECT_EQ(missing, nullptr);

  const RuntimeLinkEntry requiredMissing[] = {
      {"TessaNoSuchFunction", &missing, false}, {"MoveFileExA", &moveFileEx, true}, {nullptr, nullptr, false}};
  EXPECT_FALSE(LinkFunctions("kernel32.dll", requiredMissing));
  EXPECT_NE(moveFileEx, nullptr);  // the rest is still linked

  EXPECT_FALSE(LinkFunctions("tessa-no-such-library.dll", optionalMissing));
  EXPECT_EQ(moveFileEx, nullptr);
  EXPECT_EQ(LinkedLibraryCount(), 2);

  // A library nobody else holds is unloaded by the free.
  const std::string probe = platform_test::probePath("version_short.dll");
  const RuntimeLinkEntry nothing[] = {{"", nullptr, false}};
  ASSERT_TRUE(LinkFunctions(probe.c_str(), nothing));
  EXPECT_NE(GetModuleHandleA(probe.c_str()), nullptr);
  FreeLinkedLibraries();
  EXPECT_EQ(LinkedLibraryCount(), 0);
  EXPECT_EQ(GetModuleHandleA(probe.c_str()), nullptr);
  EXPECT_NE(GetModuleHandleA("kernel32.dll"), nullptr);
}

// The pending renames as the system stores them: UTF-16 names, each pair a
// source and a destination.
constexpr char SessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t PendingRenamesValue[] = L"PendingFileRenameOperations";

bool readPendingRenames(std::wstring& out) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  bool found = RegQueryValueExW(key, PendingRenamesValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
  out.assign(size / sizeof(wchar_t), L'\0');
  found = found && RegQueryValueExW(key, PendingRenamesValue, nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(&out[0]), &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

void restorePendingRenames(bool existed, const std::wstring& before) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  if (existed) {
    RegSetValueExW(key, PendingRenamesValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(before.data()),
                   static_cast<DWORD>(before.size() * sizeof(wchar_t)));
  } else {
    RegDeleteValueW(key, PendingRenamesValue);
  }
  RegCloseKey(key);
}

TEST(RuntimeLink, LinkedMoveFileExSchedulesARenameAtRestart) {
  ScratchDirectory dir("delayed");
  ASSERT_TRUE(writeRaw(dir / "XXX1.tmp", "new"));
  void* address = nullptr;
  const RuntimeLinkEntry table[] = {{"MoveFileExA", &address, true}, {"", nullptr, false}};
  ASSERT_TRUE(LinkFunctions("kernel32.dll", table));
  std::wstring before;
  const bool existed = readPendingRenames(before);

  const auto moveFileEx = linkedFunction<MoveFileExFunction>(address);
  const BOOL scheduled = moveFileEx((dir / "XXX1.tmp").c_str(), (dir / "target.dll").c_str(),
                                    MoveFileReplaceExisting | MoveFileDelayUntilReboot);
  std::wstring after;
  const bool written = readPendingRenames(after);
  restorePendingRenames(existed, before);
  FreeLinkedLibraries();

  EXPECT_TRUE(scheduled);
  ASSERT_TRUE(written);
  const std::wstring target = L"target.dll";
  EXPECT_NE(after.find(L"XXX1.tmp"), std::wstring::npos);
  EXPECT_NE(after.find(L"!"), std::wstring::npos);  // replace existing
  EXPECT_NE(after.find(target), std::wstring::npos);
  EXPECT_TRUE(existsRaw(dir / "XXX1.tmp"));  // nothing moved before the restart
}

TEST(SystemVersion, NtAndProfileStrings) {
  EXPECT_TRUE(IsWindowsNT());  // Wine's default; the 95 family needs a setting

  ScratchDirectory dir("profile");
  const std::string ini = dir / "wininit.ini";
  struct Entry {
    const char* key;
    const char* value;
  } const entries[] = {{"C:\\Program Files\\Tessa\\shared.dll", "C:\\Program Files\\Tessa\\XXX1.tmp"},
                       {"C:\\windows\\system\\other.dll", "C:\\XXX2.tmp"},
                       {"C:\\windows\\system\\other.dll", "C:\\XXX3.tmp"}};  // the same key again
  for (const Entry& e : entries) EXPECT_TRUE(writeProfileString("rename", e.key, e.value, ini.c_str()));
  for (int i : {0, 2}) {
    char back[MAX_PATH] = "";
    GetPrivateProfileStringA("rename", entries[i].key, "", back, MAX_PATH, ini.c_str());
    EXPECT_STREQ(back, entries[i].value);
  }
  EXPECT_FALSE(writeProfileString("rename", "k", "v", (dir / "no\\such\\dir.ini").c_str()));
}

// Reads or writes a whole file with the raw API.
std::string readRaw(const std::string& path) {
  std::string bytes;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(h, nullptr));
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(h, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(h);
  bytes.resize(read);
  return bytes;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

int CALLBACK noteFont(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

DWORD WINAPI broadcastThread(void*) {
  broadcastFontChange();
  return 0;
}

// The system knows a font of this family name (its own or one added).
bool fontFamilyKnown(const char* family) {
  HDC screen = GetDC(nullptr);
  LOGFONTA wanted = {};
  wanted.lfCharSet = DEFAULT_CHARSET;
  strcpy(wanted.lfFaceName, family);
  bool found = false;
  EnumFontFamiliesExA(screen, &wanted, noteFont, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

TEST(Fonts, AddRemoveAndBroadcast) {
  // A copy of a system font renamed to a family of its own: the system
  // ignores a second copy of a font it has and then cannot withdraw it.
  const char* const source = "Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf";
  std::string bytes = readRaw(source);
  ASSERT_FALSE(bytes.empty()) << source << " (fonts-dejavu-core) is missing";
  replaceAll(bytes, "DejaVu", "TessaP");
  replaceAll(bytes, std::string("\0D\0e\0j\0a\0V\0u", 12), std::string("\0T\0e\0s\0s\0a\0P", 12));
  ScratchDirectory dir("fonts");
  const std::string font = dir / "TessaProbe.ttf";
  ASSERT_TRUE(writeRaw(font, bytes));
  ASSERT_TRUE(writeRaw(dir / "not-a-font.ttf", "plain text"));
  ASSERT_FALSE(fontFamilyKnown("TessaP Sans"));

  EXPECT_TRUE(addFontResource(font.c_str()));
  EXPECT_TRUE(fontFamilyKnown("TessaP Sans"));
  EXPECT_FALSE(addFontResource((dir / "not-a-font.ttf").c_str()));
  EXPECT_FALSE(addFontResource((dir / "missing.ttf").c_str()));

  // The broadcast returns once every window has handled it; a hang fails
  // here instead of stopping the whole run.
  HANDLE thread = CreateThread(nullptr, 0, broadcastThread, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
  CloseHandle(thread);

  EXPECT_TRUE(removeFontResource(font.c_str()));
  EXPECT_FALSE(fontFamilyKnown("TessaP Sans"));
  EXPECT_FALSE(removeFontResource(font.c_str()));  // already withdrawn
  EXPECT_TRUE(DeleteFileA(font.c_str()));          // no longer held by the system
}

// The restart goes to the recorder; what it saw is kept here.
unsigned recordedFlags;
unsigned long recordedReason;
bool privilegeEnabledAtRestart;
bool restartResult;

bool shutdownPrivilegeEnabled() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  LUID shutdown;
  LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &shutdown);
  char buffer[4096];
  DWORD size = 0;
  bool enabled = false;
  if (GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &size)) {
    const auto* list = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer);
    for (DWORD i = 0; i < list->PrivilegeCount; ++i) {
      const LUID& id = list->Privileges[i].Luid;
      if (id.LowPart == shutdown.LowPart && id.HighPart == shutdown.HighPart) {
        enabled = (list->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
      }
    }
  }
  CloseHandle(token);
  return enabled;
}

void setShutdownPrivilege(bool on) {
  HANDLE token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
  TOKEN_PRIVILEGES change = {};
  change.PrivilegeCount = 1;
  change.Privileges[0].Attributes = on ? SE_PRIVILEGE_ENABLED : 0;
  LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &change.Privileges[0].Luid);
  AdjustTokenPrivileges(token, FALSE, &change, 0, nullptr, nullptr);
  CloseHandle(token);
}

bool recordRestart(unsigned flags, unsigned long reason) {
  recordedFlags = flags;
  recordedReason = reason;
  privilegeEnabledAtRestart = shutdownPrivilegeEnabled();
  return restartResult;
}

TEST(Restart, EnablesThePrivilegeThenAsksForARealRestart) {
  setShutdownPrivilege(false);
  ASSERT_FALSE(shutdownPrivilegeEnabled());
  EXPECT_TRUE(enableShutdownPrivilege());
  EXPECT_TRUE(shutdownPrivilegeEnabled());

  const ExitWindowsFunction system = setExitWindowsFunction(recordRestart);
  for (bool result : {true, false}) {
    setShutdownPrivilege(false);
    recordedFlags = 0;
    restartResult = result;
    EXPECT_EQ(RestartWindows(), result);
    EXPECT_EQ(recordedFlags, static_cast<unsigned>(EWX_REBOOT));
    EXPECT_EQ(recordedReason, 0xFFFFFFFFul);
    EXPECT_TRUE(privilegeEnabledAtRestart);
  }
  EXPECT_EQ(setExitWindowsFunction(nullptr), recordRestart);
  EXPECT_EQ(setExitWindowsFunction(system), system);  // null bound the system's call again
}

// Runs after the RuntimeLink tests, whose counts assume nothing linked before.
TEST(SystemLinks, LinkEachLibraryOnceWithEveryFunction) {
  const ComFunctions* com = LinkedCom();
  ASSERT_NE(com, nullptr);
  const ShellFunctions* shell = LinkedShell();
  ASSERT_NE(shell, nullptr);
  ASSERT_TRUE(InitCommonControlsLinked());
  const void* const addresses[] = {reinterpret_cast<const void*>(com->initialize),
                                   reinterpret_cast<const void*>(com->uninitialize),
                                   reinterpret_cast<const void*>(com->createInstance),
                                   reinterpret_cast<const void*>(shell->getMalloc),
                                   reinterpret_cast<const void*>(shell->specialFolderLocation),
                                   reinterpret_cast<const void*>(shell->browseForFolder),
                                   reinterpret_cast<const void*>(shell->pathFromIdList),
                                   reinterpret_cast<const void*>(shell->execute)};
  for (const void* address : addresses) EXPECT_NE(address, nullptr);

  // Later calls neither load again nor change the answer.
  const int loads = LinkedLibraryCount();
  EXPECT_EQ(LinkedCom(), com);
  EXPECT_EQ(LinkedShell(), shell);
  EXPECT_TRUE(InitCommonControlsLinked());
  EXPECT_EQ(LinkedLibraryCount(), loads);
  ComSession session;
  EXPECT_TRUE(session.ok());
}

// The names of the DLLs an image imports at load time, upper-cased.
std::vector<std::string> importedLibraries(HMODULE image) {
  std::vector<std::string> names;
  const auto* base = reinterpret_cast<const unsigned char*>(image);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return names;
  for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       entry->Name != 0; ++entry) {
    std::string name = reinterpret_cast<const char*>(base + entry->Name);
    for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    names.push_back(name);
  }
  return names;
}

// A direct call to one of these libraries anywhere in the installer would
// bring its load back into every run, removals included.
TEST(SystemLinks, InstallerImportsNoLibraryItLinksAtRunTime) {
  std::string program = std::string("Z:") + TESSA_BINARY_DIR + "/tessaform.exe";
  for (char& c : program) {
    if (c == '/') c = '\\';
  }
  HMODULE image = LoadLibraryExA(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(image, nullptr) << program;
  const std::vector<std::string> imports = importedLibraries(image);
  FreeLibrary(image);
  EXPECT_NE(std::find(imports.begin(), imports.end(), "KERNEL32.DLL"), imports.end());
  for (const char* linked : {"OLE32.DLL", "SHELL32.DLL", "COMCTL32.DLL"}) {
    EXPECT_EQ(std::find(imports.begin(), imports.end(), linked), imports.end()) << linked;
  }
}

}  // namespace
