#include "platform/shell.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "platform/filesys.h"
#include "platform/registry.h"
#include "platform/system_links.h"
#include "platform/win32_handles.h"

namespace {

constexpr char ShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\%s";
constexpr char WindowsSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\%s";
constexpr char BootDirPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup\\BootDir";
constexpr char ProgramFilesFallback[] = "c:\\Program Files";
constexpr char FileVersionQuery[] = "\\StringFileInfo\\040904E4\\FileVersion";

}  // namespace

String shellFolder(const char* name) {
  return ReadTextAt(RegistryRoot::CurrentUser, formatString(ShellFoldersKey, name).cStr(), "", RegOpenExisting);
}

String windowsSetting(const char* name) {
  return ReadTextAt(RegistryRoot::LocalMachine, formatString(WindowsSettingsKey, name).cStr(), "", RegOpenExisting);
}

String programFilesDirectory() {
  String dir = windowsSetting("ProgramFilesDir");
  return dir.isEmpty() ? String(ProgramFilesFallback) : dir;
}

String commonFilesDirectory() {
  String dir = windowsSetting("CommonFilesDir");
  return dir.isEmpty() ? joinPath(programFilesDirectory(), "Common Files") : dir;
}

String desktopDirectory() {
  String dir = shellFolder("Desktop");
  return dir.isEmpty() ? joinPath(windowsDirectory(), "Desktop") : dir;
}

String fontsDirectory() {
  String dir = shellFolder("Fonts");
  return dir.isEmpty() ? joinPath(windowsDirectory(), "Fonts") : dir;
}

String startMenuDirectory() {
  String dir = shellFolder("Start Menu");
  return dir.isEmpty() ? joinPath(windowsDirectory(), "Start Menu") : dir;
}

String programsDirectory() {
  String dir = shellFolder("Programs");
  return dir.isEmpty() ? joinPath(startMenuDirectory(), "Programs") : dir;
}

String startupDirectory() {
  // The value is "Startup", the fallback folder "StartUp".
  String dir = shellFolder("Startup");
  return dir.isEmpty() ? joinPath(programsDirectory(), "StartUp") : dir;
}

char bootDrive() {
  const String dir = ReadTextAt(RegistryRoot::LocalMachine, BootDirPath, "", RegOpenExisting);
  return (isLetter(dir.charAt(0)) && dir.charAt(1) == ':') ? toUpper(dir.charAt(0)) : 'C';
}

bool createShortcut(String& linkPath, const char* target, const char* arguments, const char* workingDirectory) {
  // Declared first, so released last: the interfaces go before COM does.
  ComSession com;
  if (!com.ok()) return false;
  ComPtr<IShellLinkA> link;
  if (FAILED(com.functions().createInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                            link.out()))) {
    return false;
  }
  if (target == nullptr) target = "";
  link->SetPath(target);
  link->SetIconLocation(target, 0);
  if (arguments != nullptr) link->SetArguments(arguments);
  if (workingDirectory != nullptr) link->SetWorkingDirectory(workingDirectory);
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return false;

  ensureLinkExtension(linkPath);
  makeDirectories(directoryPart(linkPath));
  WCHAR wide[MAX_PATH] = {};
  // A path that does not fit is refused rather than saved cut short.
  if (MultiByteToWideChar(CP_ACP, 0, linkPath.cStr(), -1, wide, MAX_PATH) == 0) return false;
  return file->Save(wide, TRUE) == S_OK;
}

bool createDesktopShortcut(const char* name, const char* target, const char* arguments,
                           const char* workingDirectory, String* out) {
  String linkPath = joinPath(desktopDirectory(), name);
  const bool saved = createShortcut(linkPath, target, arguments, workingDirectory);
  if (out != nullptr) *out = linkPath;
  return saved;
}

bool createProgramsShortcut(const char* name, const char* target, const char* arguments,
                            const char* workingDirectory, String* out) {
  String linkPath = joinPath(programsDirectory(), name);
  const bool saved = createShortcut(linkPath, target, arguments, workingDirectory);
  if (out != nullptr) *out = linkPath;
  return saved;
}

void makeComparableVersion(String& version) {
  if (version.isEmpty()) return;
  version.makeUpper();
  int start = 0;
  while (start <= version.length()) {
    int end = version.findChar('.', start);
    if (end < 0) end = version.length();
    const int width = end - start;
    if (width < VersionFieldWidth) {
      version.insertChars('0', start, VersionFieldWidth - width);
      end += VersionFieldWidth - width;
    }
    start = end + 1;
  }
}

String fileVersionText(PathText path, bool comparable) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.text(), &ignored);
  if (size == 0) return String();
  String block;
  block.reset(static_cast<int>(size));
  if (!GetFileVersionInfoA(path.text(), 0, size, block.buffer())) return String();
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.buffer(), FileVersionQuery, reinterpret_cast<void**>(&value), &length) ||
      value == nullptr) {
    return String();
  }
  String text;
  text.assignUpTo(value, static_cast<int>(length));
  if (comparable && !text.isEmpty()) makeComparableVersion(text);
  return text;
}
