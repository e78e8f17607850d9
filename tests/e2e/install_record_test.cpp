// What an installation leaves behind, read back the way other programs see
// it: the uninstall values through Wine's registry tool, the product in
// Add/Remove Programs, the shortcuts through the shell link object, the font
// through a fresh process's font list, the hooks through what they wrote
// from Wine's command interpreter, and the files the uninstaller reads
// byte for byte.
#include "tests/e2e/install_e2e.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace install_e2e;

// This program started again as "<exe> --font-family=NAME" only asks the
// system for a font family and ends with 2 when it knows it, 3 when not: a
// fresh process sees the fonts as every program started after the
// installation does.
const char FontProbeSwitch[] = "--font-family=";

int CALLBACK noteFamily(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

const bool FontProbeRun = [] {
  const char* asked = strstr(GetCommandLineA(), FontProbeSwitch);
  if (asked == nullptr) return false;
  LOGFONTA wanted = {};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(wanted.lfFaceName, asked + strlen(FontProbeSwitch), LF_FACESIZE);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExA(screen, &wanted, noteFamily, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  ExitProcess(found ? 2 : 3);
}();

bool FamilyKnownToNewPrograms(const std::string& family) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string output;
  return RunCapturing("\"" + std::string(self) + "\" " + FontProbeSwitch + family, output) == 2;
}

// A real TrueType font under a family name of its own: the system ignores a
// second copy of a font it already has and then cannot withdraw it.
const char FontFamily[] = "TessaR Sans";
const char FontFile[] = "TessaRec.ttf";
std::string RenamedDejaVu() {
  std::string bytes = Read("Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf");
  const auto replaceAll = [&bytes](const std::string& from, const std::string& to) {
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
      bytes.replace(at, from.size(), to);
  };
  replaceAll("DejaVu", "TessaR");
  replaceAll(std::string("\0D\0e\0j\0a\0V\0u", 12), std::string("\0T\0e\0s\0s\0a\0R", 12));
  return bytes;
}

// The texts the uninstaller keeps (a multi-line one, an empty one, one with
// the product filled in) and those of the log and the uninstall shortcut.
const char Messages[] = R"(display-title = "E2E Rec Title"
uninstall-failed = "Not removed: %s"
uninstall-done-caption = "Removed"
uninstall-spare = ""
could-not-write = "Could not write"
uninstall-shortcut = "Remove"
uninstall-done = "<product> is gone."
shared-removal-caption = "Shared file"
install-done = "Installed."
install-done-caption = "Finished"
uninstall-question = "Remove <product>?\r\nAll of it?"
uninstall-caption = "Removing"
font-removal-question = "Remove font %s?"
font-removal-caption = "Font"
could-not-remove = "Could not remove"
shared-removal-question = "Remove %s?"
)";
const char StringsSection[] =
    "[Strings]\r\n~10\r\nNot removed: %s\r\n~15\r\nRemoved\r\n~20\r\nQuestion\r\n~30\r\n\r\n"
    "~34\r\nE2E Rec is gone.\r\n~35\r\nShared file\r\n~53\r\nRemove E2E Rec?\r\nAll of it?\r\n~55\r\nRemoving\r\n"
    "~56\r\nRemove font %s?\r\n~57\r\nFont\r\n~58\r\nCould not remove\r\n~59\r\nRemove %s?\r\n";

// Lines of a text, without their line ends, sorted.
std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    at = end + 1;
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

// "m/d/yyyy h:mm:ssa" of this year, as the uninstall record and the log
// write the installation time.
void ExpectInstallDate(const std::string& text) {
  int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
  char half = 0;
  ASSERT_EQ(sscanf(text.c_str(), "%d/%d/%d %d:%d:%d%c", &month, &day, &year, &hour, &minute, &second, &half), 7)
      << text;
  char again[64];
  snprintf(again, sizeof again, "%d/%d/%d %d:%02d:%02d%c", month, day, year, hour, minute, second, half);
  EXPECT_EQ(text, again);
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(year, now.wYear) << text;
  EXPECT_TRUE(hour >= 1 && hour <= 12 && (half == 'a' || half == 'p')) << text;
}

// The log's entries with their "Install date" line checked and cut out.
std::string WithoutDates(std::string log) {
  const std::string label = "Install date: ";
  for (size_t at = log.find(label); at != std::string::npos; at = log.find(label, at)) {
    const size_t end = log.find("\r\n", at);
    ExpectInstallDate(log.substr(at + label.size(), end - at - label.size()));
    log.erase(at, end + 2 - at);
  }
  return log;
}

class InstallRecord : public Installing {
 protected:
  void TearDown() override {
    Installing::TearDown();
    for (const std::string& key : registryTrees_) {
      RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
      RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
      RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    }
  }
  // A key below "Software" of both roots, removed at the end.
  void removeKeysAtEnd(const std::string& key) { registryTrees_.push_back(key); }

 private:
  std::vector<std::string> registryTrees_;
};

TEST_F(InstallRecord, RichPackageLeavesWhatOtherProgramsSee) {
  const std::string product = "E2E Rec";
  const std::string dest = windowsPath(scratch_) + "\\rich dest";
  const std::string uninstallDir = dest + "\\Uninst";
  const std::string uninstaller = uninstallDir + "\\Uninstall.EXE";
  const std::string sharedDir = CommonFiles() + "\\E2E Rec Publisher";
  const std::string desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY);
  const std::string programs = ShellFolder(CSIDL_PROGRAMS);
  const std::string startup = ShellFolder(CSIDL_STARTUP);
  const std::string menu = programs + "\\E2E Rec Publisher\\E2E Rec";
  const std::string font = ShellFolder(CSIDL_FONTS) + "\\" + FontFile;
  const std::string hookOut = windowsPath(scratch_);
  removeAtEnd(sharedDir);
  uncountAtEnd(sharedDir + "\\s.dll");
  removeAtEnd(desktop + "\\E2E Rec App.LNK");
  removeAtEnd(startup + "\\E2E Rec Tool.LNK");
  removeAtEnd(programs + "\\E2E Rec Publisher");
  removeAtEnd(programs + "\\E2E Rec");
  removeAtEnd(font);
  removeKeysAtEnd("Software\\E2E Rec Publisher");
  RemoveTree(font);  // what an earlier run left
  ASSERT_FALSE(FamilyKnownToNewPrograms(FontFamily));
  BootDrive boot;

  source("rich", "app.exe", "the application");
  source("rich", "tool.exe", "the tool");
  source("rich", "readme.txt", "read me");
  source("rich", "other.txt", "other");
  source("rich", "s.dll", "shared");
  source("rich", FontFile, RenamedDejaVu());
  const std::string picture = ui_e2e::BitmapFile(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
  source("rich", "picture.bmp", picture);
  // The pre-install hook lists the directory before any file is there,
  // keeps the variables the interpreter got and a copy of its batch body;
  // its lines end in each of the four ways. The post-install hook lists the
  // uninstall directory and asks the registry. PAUSE lines are dropped in an
  // automatic run: under Wine a PAUSE does not wait, so the copied body shows
  // it, and the final hook, only a PAUSE, merely has to end.
  const std::string preHook = "set > \"" + hookOut + "\\pre-env.txt\"\r\n@ pause\n\rdir /b \"%InstallDir%\" > \"" +
                              hookOut + "\\pre-dir.txt\"\rcopy /b QAMVEX2.BAT \"" + hookOut + "\\pre-body.txt\"\n";
  const auto tomlText = [](const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
      if (c == '\\' || c == '"') quoted += '\\';
      quoted += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return quoted + "\"";
  };
  const std::string postHook = "dir /b \"%InstallDir%\\Uninst\" > \"" + hookOut + "\\post-dir.txt\"\n" +
                               "reg query \"HKLM\\" + ProductKey(product) + "\" /v DisplayName > \"" + hookOut +
                               "\\post-reg.txt\"\n";
  const std::string files =
      "[[file]]\nsource = 'app.exe'\ndesktop-shortcut = true\nstart-menu-shortcut = true\n"
      "shortcut-name = 'E2E Rec App'\n"
      "[[file]]\nsource = 'tool.exe'\nkind = 'startup'\nstart-menu-shortcut = true\n"
      "shortcut-name = 'E2E Rec Tool'\n"
      "[[file]]\nsource = 'readme.txt'\nto = 'docs/'\n"
      "[[file]]\nsource = 'other.txt'\nto = 'DOCS/'\n"
      "[[file]]\nsource = 's.dll'\nkind = 'shared'\n"
      "[[file]]\nsource = '" + std::string(FontFile) + "'\nkind = 'font'\nfont-name = '" + FontFamily + "'\n";
  const std::string package = buildWithMessages(
      "rich", product,
      "publisher = 'E2E Rec Publisher'\nversion = '2.10'\nregistry-key = 'E2E Rec Publisher\\E2E Rec'\n"
      "uninstall-subdir = 'Uninst'\n"
      "flags = ['RegisterUninstall', 'AlwaysWriteLog', 'AddToPath', 'BackgroundPicture']\n"
      "[package]\nstub-time = 2023-03-04T05:06:07\n"
      "[appearance]\ntitle-color = '#102030'\ntop-color = '#1F3F7F'\nbottom-color = '#000010'\n"
      "picture = 'picture.bmp'\n"
      "[hooks]\npre-install = " + tomlText(preHook) + "\npost-install = " + tomlText(postHook) +
          "\nfinal = 'PAUSE'\nbefore-uninstall = 'echo before'\nafter-uninstall = 'echo after'\n" + files,
      Messages);
  runQuietly(package, "/a /d:\"" + dest + "\"");

  // The uninstall values, each with its type, as the registry tool reads them.
  const std::string key = ProductKey(product);
  std::map<std::string, std::string> values = RegQuery(key);
  ExpectInstallDate(values["InstallDate"].substr(strlen("REG_SZ ")));
  values.erase("InstallDate");
  const std::map<std::string, std::string> expected = {
      {"UninstallString", "REG_SZ \"" + uninstaller + "\" /u:\"E2E Rec\""},
      {"QuietUninstallString", "REG_SZ \"" + uninstaller + "\" /a /u:\"E2E Rec\""},
      {"DisplayName", "REG_SZ E2E Rec"},
      {"InstallSource", "REG_SZ " + windowsPath(package)},
      {"DisplayVersion", "REG_SZ 2.10"},
      {"Publisher", "REG_SZ E2E Rec Publisher"},
      {"InstallLocation", "REG_SZ " + dest},
      {"VersionMajor", "REG_DWORD 0x2"},
      {"VersionMinor", "REG_DWORD 0xa"},
      {"ProductRegistry", "REG_SZ E2E Rec Publisher\\E2E Rec"},
      {"ProductStartMenu", "REG_SZ E2E Rec Publisher\\E2E Rec"},
      {"SharedPath", "REG_SZ " + sharedDir},
      {"ProductFonts", std::string("REG_SZ \"") + FontFamily + "\" \"" + FontFile + "\" "},
      // RegisterUninstall, PackedPayload, AlwaysWriteLog, AddToPath, CustomColors, BackgroundPicture
      {"ProductFlags", "REG_DWORD 0xb064"},
      {"UninstallBatch1", "REG_SZ echo before"},
      {"UninstallBatch2", "REG_SZ echo after"},
      {"SharedFiles", "REG_SZ \"s.dll\""},
      {"UninstallSubdir", "REG_SZ Uninst"},
      {"DisplayTitle", "REG_SZ E2E Rec Title"},
      {"TitleColor", "REG_DWORD 0x302010"},
      {"TopColor", "REG_DWORD 0x7f3f1f"},
      {"BottomColor", "REG_DWORD 0x100000"},
      {"MonoColor", "REG_DWORD 0x0"},
  };
  EXPECT_EQ(values, expected);
  EXPECT_NE(RegText(HKEY_LOCAL_MACHINE, "Software\\E2E Rec Publisher\\E2E Rec", ""), "") << "machine key";
  HKEY userKey = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\E2E Rec Publisher\\E2E Rec", 0, KEY_READ, &userKey),
            ERROR_SUCCESS);
  if (userKey != nullptr) RegCloseKey(userKey);

  std::string listed;
  RunCapturing("uninstaller.exe --list", listed);
  EXPECT_NE(listed.find("E2E Rec|||E2E Rec\r\n"), std::string::npos) << listed;

  // The uninstaller: the program without its archive, with the package's time.
  const std::string built = Read(windowsPath(package));
  ASSERT_GT(built.size(), 4u);
  uint32_t stubLength = 0;
  memcpy(&stubLength, built.data() + built.size() - 4, 4);
  ASSERT_LT(stubLength, built.size());
  EXPECT_TRUE(Read(uninstaller) == built.substr(0, stubLength)) << "Uninstall.EXE differs from the program";
  EXPECT_EQ(LocalTime(uninstaller), "2023-03-04 05:06:07");
  EXPECT_EQ(Read(uninstallDir + "\\Installer Background.BMP"), picture);

  // The removal file: the paths in the order they arose, then the texts.
  EXPECT_EQ(Read(uninstallDir + "\\Uninstall.DAT"),
            "~" + dest + "\r\n" + dest + "\\app.exe\r\n" + dest + "\\tool.exe\r\n~" + dest + "\\docs\r\n" + dest +
                "\\docs\\readme.txt\r\n" + dest + "\\DOCS\\other.txt\r\n" + desktop + "\\E2E Rec App.LNK\r\n" + menu +
                "\\E2E Rec App.LNK\r\n" + menu + "\\E2E Rec Tool.LNK\r\n" + startup + "\\E2E Rec Tool.LNK\r\n" + menu +
                "\\Remove E2E Rec.LNK\r\n" + uninstallDir + "\\Remove E2E Rec.LNK\r\n" + uninstallDir +
                "\\Installer Background.BMP\r\n\r\n\r\n" + StringsSection);

  // Shortcuts to the installed files start in the installation directory;
  // those to the uninstaller carry its arguments and no directory.
  const struct {
    std::string link;
    std::string target;
    std::string arguments;
    std::string workingDirectory;
  } links[] = {
      {desktop + "\\E2E Rec App.LNK", dest + "\\app.exe", "", dest},
      {menu + "\\E2E Rec App.LNK", dest + "\\app.exe", "", dest},
      {menu + "\\E2E Rec Tool.LNK", dest + "\\tool.exe", "", dest},
      {startup + "\\E2E Rec Tool.LNK", dest + "\\tool.exe", "", dest},
      {menu + "\\Remove E2E Rec.LNK", uninstaller, "/u:\"E2E Rec\"", ""},
      {uninstallDir + "\\Remove E2E Rec.LNK", uninstaller, "/u:\"E2E Rec\"", ""},
  };
  for (const auto& l : links) {
    SCOPED_TRACE(l.link);
    const Shortcut s = LoadShortcut(l.link);
    ASSERT_TRUE(s.loaded);
    EXPECT_EQ(s.target, l.target);
    EXPECT_EQ(s.arguments, l.arguments);
    EXPECT_EQ(s.workingDirectory, l.workingDirectory);
    EXPECT_EQ(s.icon, l.target);
    EXPECT_EQ(s.iconIndex, 0);
  }
  EXPECT_FALSE(Exists(desktop + "\\E2E Rec Tool.LNK"));
  EXPECT_FALSE(Exists(startup + "\\E2E Rec App.LNK"));

  EXPECT_EQ(Read(font), Read(windowsPath(scratch_ + "/rich/" + FontFile)));
  EXPECT_TRUE(FamilyKnownToNewPrograms(FontFamily));

  // The hooks ran in the interpreter with the installation's variables, the
  // first before any file, the second after the uninstall record.
  const std::vector<std::string> environment = SortedLines(Read(hookOut + "\\pre-env.txt"));
  const std::string setup = windowsPath(package);
  for (const std::string& variable :
       {"InstallDir=" + dest, std::string("InstallDrive=Z:"), "SharedDir=" + sharedDir, "InstallerFilepath=" + setup,
        "InstallerDir=" + setup.substr(0, setup.rfind('\\')), std::string("InstallerFilename=setup.exe"),
        "SystemDir=" + SystemDirectory()}) {
    EXPECT_NE(std::find(environment.begin(), environment.end(), variable), environment.end()) << variable;
  }
  EXPECT_EQ(Read(hookOut + "\\pre-body.txt"),
            "@echo off\r\nSET InstallDir=" + dest + "\r\nSET InstallDrive=Z:\r\nSET SharedDir=" + sharedDir +
                "\r\nSET InstallerFilepath=" + setup + "\r\nSET InstallerDir=" + setup.substr(0, setup.rfind('\\')) +
                "\r\nSET InstallerFilename=setup.exe\r\nSET SystemDir=" + SystemDirectory() + "\r\nset > \"" +
                hookOut + "\\pre-env.txt\"\r\ndir /b \"%InstallDir%\" > \"" + hookOut +
                "\\pre-dir.txt\"\r\ncopy /b QAMVEX2.BAT \"" + hookOut + "\\pre-body.txt\"\r\n");
  EXPECT_EQ(SortedLines(Read(hookOut + "\\pre-dir.txt")), (std::vector<std::string>{"QAMVEX1.BAT", "QAMVEX2.BAT"}));
  EXPECT_EQ(SortedLines(Read(hookOut + "\\post-dir.txt")),
            (std::vector<std::string>{"Installer Background.BMP", "Remove E2E Rec.LNK", "Uninstall.DAT",
                                      "Uninstall.EXE"}));
  EXPECT_NE(Read(hookOut + "\\post-reg.txt").find("DisplayName    REG_SZ    E2E Rec"), std::string::npos)
      << Read(hookOut + "\\post-reg.txt");
  EXPECT_FALSE(Exists(dest + "\\QAMVEX1.BAT"));
  EXPECT_FALSE(Exists(dest + "\\QAMVEX2.BAT"));

  char shortDest[MAX_PATH] = {};
  GetShortPathNameA(dest.c_str(), shortDest, MAX_PATH);
  const std::string pathLine = std::string("PATH=%PATH%;") + shortDest + "\r\n";
  EXPECT_EQ(boot.autoexec(), "\r\n" + pathLine);

  // A reinstall without a publisher and with a version without a dot,
  // started by a name without extension: the emptied values go, the version
  // parts stay, the PATH line is not added again, and the log gets a second
  // entry.
  source("again", "app.exe", "the application");
  const std::string again = buildWithMessages("again", product,
                                              "version = '3'\nuninstall-subdir = 'Uninst'\n"
                                              "flags = ['RegisterUninstall', 'AlwaysWriteLog', 'AddToPath']\n"
                                              "[[file]]\nsource = 'app.exe'\n",
                                              Messages);
  ASSERT_TRUE(DeleteFileA((uninstallDir + "\\Remove E2E Rec.LNK").c_str()));  // made again below
  const std::string withoutExtension = windowsPath(again).substr(0, windowsPath(again).size() - 4);
  start("\"" + withoutExtension + "\" /a", again);
  EXPECT_EQ(waitForExit(), 1);
  values = RegQuery(key);
  for (const char* gone : {"Publisher", "ProductFonts", "ProductRegistry", "UninstallBatch1", "TitleColor"})
    EXPECT_EQ(values.count(gone), 0u) << gone;
  EXPECT_EQ(values["DisplayVersion"], "REG_SZ 3");
  EXPECT_EQ(values["InstallSource"], "REG_SZ " + withoutExtension + ".EXE");
  EXPECT_EQ(values["VersionMajor"], "REG_DWORD 0x2");
  EXPECT_EQ(values["VersionMinor"], "REG_DWORD 0xa");
  EXPECT_EQ(values["ProductStartMenu"], "REG_SZ E2E Rec");
  // No start-menu shortcut this time, so no uninstall shortcut there.
  EXPECT_FALSE(Exists(programs + "\\E2E Rec\\Remove E2E Rec.LNK"));
  EXPECT_TRUE(LoadShortcut(uninstallDir + "\\Remove E2E Rec.LNK").loaded);
  EXPECT_EQ(boot.autoexec(), "\r\n" + pathLine);

  const std::string entry = "\r\nInstallation log for: E2E Rec\r\nInstall type: %s\r\nInstall location: " + dest +
                            "\r\nInstaller version: 5.0\r\nProduct version: %s\r\n\r\nFinished\r\n\r\n";
  auto entryOf = [&entry](const std::string& type, const std::string& version) {
    std::string text = entry;
    text.replace(text.find("%s"), 2, type);
    text.replace(text.find("%s"), 2, version);
    return text;
  };
  EXPECT_EQ(WithoutDates(Read(uninstallDir + "\\Install.LOG")), entryOf("New", "2.10") + entryOf("Reinstall", "3"));
}

TEST_F(InstallRecord, LogAndRemovalFileFollowTheOutcome) {
  // Nothing to remove (RemoveInstallDir, no uninstall record): an old
  // removal file goes, and a clean automatic run writes no log.
  source("plain", "a.txt", "a");
  const std::string plain = buildWithMessages("plain", "E2E Rec Plain",
                                              "flags = ['RemoveInstallDir']\n[[file]]\nsource = 'a.txt'\n", Messages);
  const std::string clean = windowsPath(scratch_) + "\\clean";
  CreateDirectoryA(clean.c_str(), nullptr);
  ASSERT_TRUE(Write(clean + "\\Uninstall.DAT", "stale\r\n"));
  SetFileAttributesA((clean + "\\Uninstall.DAT").c_str(), FILE_ATTRIBUTE_READONLY);
  runQuietly(plain, "/a /d:\"" + clean + "\"");
  EXPECT_EQ(Read(clean + "\\a.txt"), "a");
  EXPECT_FALSE(Exists(clean + "\\Uninstall.DAT"));
  EXPECT_FALSE(Exists(clean + "\\Install.LOG"));

  // A file that cannot be written: the log ends with the problem, and has
  // no product version line without a version.
  const std::string blocked = windowsPath(scratch_) + "\\blocked";
  CreateDirectoryA(blocked.c_str(), nullptr);
  CreateDirectoryA((blocked + "\\a.txt").c_str(), nullptr);
  runQuietly(plain, "/a /d:\"" + blocked + "\"");
  EXPECT_EQ(WithoutDates(Read(blocked + "\\Install.LOG")),
            "\r\nInstallation log for: E2E Rec Plain\r\nInstall type: New\r\nInstall location: " + blocked +
                "\r\nInstaller version: 5.0\r\n\r\nCould not write " + blocked + "\\a.txt\r\n");

  // A shared file replaced over an older copy: the log tells so and ends
  // with the success caption.
  const std::string sharedDir = CommonFiles() + "\\E2E Rec Repl Pub";
  const std::string shared = sharedDir + "\\s.dll";
  removeAtEnd(sharedDir);
  uncountAtEnd(shared);
  CreateDirectoryA(sharedDir.c_str(), nullptr);
  ASSERT_TRUE(WriteWithTime(shared, "old", "2020-01-01 00:00:00"));
  source("repl", "s.dll", "new");
  const std::string replacing = buildWithMessages(
      "repl", "E2E Rec Repl",
      "publisher = 'E2E Rec Repl Pub'\nflags = ['RegisterUninstall']\n"
      "[[file]]\nsource = 's.dll'\nkind = 'shared'\ntime = 2024-05-01T12:00:00\n",
      Messages);
  const std::string replaced = windowsPath(scratch_) + "\\replaced";
  runQuietly(replacing, "/a /d:\"" + replaced + "\"");
  EXPECT_EQ(Read(shared), "new");
  EXPECT_EQ(WithoutDates(Read(replaced + "\\Install.LOG")),
            "\r\nInstallation log for: E2E Rec Repl\r\nInstall type: New\r\nInstall location: " + replaced +
                "\r\nInstaller version: 5.0\r\n\r\n" + shared +
                " is out of date and will be replaced.\r\n\r\nFinished\r\n\r\n");
}

}  // namespace
