// Removals without questions, started the way the system's list of programs
// starts them: a product using every feature installs and is removed again
// with nothing of it left and nothing else changed, except that a shared
// file another product uses stays with one count less; removing that
// product too takes the shared file. A product that is not installed is
// reported only when questions may be asked. RemoveInstallDir never takes
// the Program Files or Windows directory wholesale.
#include "tests/e2e/removal_e2e.h"

namespace {

using namespace removal_e2e;

class QuietRemoval : public Removing {
 protected:
  void TearDown() override {
    Removing::TearDown();
    if (!programFiles_.empty()) RegSetText(HKEY_LOCAL_MACHINE, VersionKey, "ProgramFilesDir", programFiles_);
    if (!programs_.empty()) RegSetText(HKEY_CURRENT_USER, ShellFoldersKey, "Programs", programs_);
    if (!autoexec_.empty()) {
      if (autoexec_ == "<missing>") {
        DeleteFileA(Autoexec);
      } else {
        Write(Autoexec, autoexec_);
      }
    }
  }
  // A boot file with a line of its own, as a machine has it; restored at
  // the end.
  void prepareAutoexec() {
    autoexec_ = Read(Autoexec);
    ASSERT_TRUE(Write(Autoexec, "@echo off\r\n"));
  }

  static constexpr const char* Autoexec = "C:\\autoexec.bat";
  static constexpr const char* VersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
  std::string autoexec_;
  static constexpr const char* ShellFoldersKey =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  std::string programFiles_;  // the settings to restore
  std::string programs_;

  // Fabricates the uninstall key of a quietly removed `product` whose
  // uninstaller is a copy of the program in the scratch directory; returns
  // the uninstaller's path.
  std::string pretendInstalled(const std::string& product, const std::string& installDir, DWORD flags) {
    forget(product);
    const std::string uninstaller = windowsPath(scratch_) + "\\Uninstall.EXE";
    EXPECT_TRUE(CopyFileA(windowsPath(ProgramPath()).c_str(), uninstaller.c_str(), FALSE));
    RegSetText(HKEY_LOCAL_MACHINE, ProductKey(product), "UninstallString", uninstaller + " /u:\"" + product + "\"");
    RegSetText(HKEY_LOCAL_MACHINE, ProductKey(product), "InstallLocation", installDir);
    flags |= 0x200;  // QuietUninstall
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, ProductKey(product).c_str(), "ProductFlags", REG_DWORD, &flags, sizeof flags);
    return uninstaller;
  }
  // Removes `product` from its stored command and waits for the batch.
  void removeQuietly(const std::string& product, const std::string& uninstaller) {
    startStored(product, "UninstallString");
    EXPECT_EQ(waitForExit(), 1);
    EXPECT_TRUE(selfRemovalFinished(uninstaller));
    EXPECT_EQ(Uninstall(product, "InstallLocation"), "<none>");
  }

  static std::string shellFolder(const char* name) {
    return RegText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name);
  }
};

TEST_F(QuietRemoval, EverythingInstalledIsRemovedAndNothingElseChanges) {
  const std::string product = "E2E Removal Full";
  const std::string other = "E2E Removal Other";
  const std::string publisher = "E2E Removal Pub";
  const std::string installDir = ProgramFiles() + "\\" + product;
  const std::string sharedFile = CommonFiles() + "\\" + publisher + "\\s.dll";
  const std::string fontFile = shellFolder("Fonts") + "\\TessaR.ttf";
  const std::string startMenu = shellFolder("Programs") + "\\" + publisher;
  const std::string scratch = windowsPath(scratch_);
  removeAtEnd(installDir);
  removeAtEnd(CommonFiles() + "\\" + publisher);
  removeAtEnd(fontFile);
  removeAtEnd(startMenu);
  removeAtEnd(shellFolder("Desktop") + "\\app.LNK");
  removeAtEnd(shellFolder("Startup") + "\\tool.LNK");
  uncountAtEnd(sharedFile);
  deleteKeyAtEnd(HKEY_LOCAL_MACHINE, "Software\\" + publisher);
  deleteKeyAtEnd(HKEY_CURRENT_USER, "Software\\" + publisher);

  // The other product shares s.dll and is there before and after.
  prepareAutoexec();
  source("other", "s.dll", "shared library");
  source("other", "o.txt", "other");
  const std::string otherPackage = buildProduct("other", other,
                                                "publisher = '" + publisher +
                                                    "'\nflags = ['RegisterUninstall']\n"
                                                    "[[file]]\nsource = 's.dll'\nkind = 'shared'\ntime = 2024-05-01T12:00:00\n"
                                                    "[[file]]\nsource = 'o.txt'\n");
  runQuietly(otherPackage, "/a /d:\"" + scratch + "\\other-dest\"");
  ASSERT_EQ(SharedCount(sharedFile), 1);

  source("full", "app.exe", "the program");
  source("full", "tool.txt", "a tool");
  source("full", "s.dll", "shared library");
  source("full", "TessaR.ttf", RenamedFont("TessaR"));
  source("full", "back.bmp", ui_e2e::BitmapFile(2, 2, {0x102030, 0x405060, 0x708090, 0xA0B0C0}));
  CreateDirectoryA((scratch + "\\full\\docs").c_str(), nullptr);
  source("full/docs", "a.txt", "a");
  source("full/docs/deep", "b.txt", "b");
  // A folder that holds only a folder is not in the removal list itself.
  CreateDirectoryA((scratch + "\\full\\docs\\only").c_str(), nullptr);
  source("full/docs/only/folders", "c.txt", "c");
  const std::string package = buildProduct(
      "full", product,
      "publisher = '" + publisher + "'\nversion = '2.1'\ninstall-dir = '" + product +
          "'\nregistry-key = '" + publisher + "\\Full'\nuninstall-subdir = 'Uninstall'\n"
          "flags = ['RegisterUninstall', 'QuietUninstall', 'AddToPath', 'AlwaysWriteLog',\n'BackgroundPicture']\n"
          "[appearance]\ntitle-color = '#FFFFFF'\ntop-color = '#1F3F7F'\nbottom-color = '#000010'\n"
          "picture = 'back.bmp'\n"
          "[hooks]\npost-install = 'echo made> \"%InstallDir%\\Made.txt\"'\n"
          "before-uninstall = 'del \"%InstallDir%\\Made.txt\"'\n"
          "after-uninstall = 'cd > \"" + scratch + "\\after.txt\"'\n"
          "[[file]]\nsource = 'app.exe'\ndesktop-shortcut = true\nstart-menu-shortcut = true\n"
          "[[file]]\nsource = 'tool.txt'\nkind = 'startup'\nstart-menu-shortcut = true\n"
          "[[file]]\nsource = 'docs'\nto = 'Docs'\n"
          "[[file]]\nsource = 's.dll'\nkind = 'shared'\ntime = 2024-05-01T12:00:00\n"
          "[[file]]\nsource = 'TessaR.ttf'\nkind = 'font'\nfont-name = 'TessaR Sans'\n");

  const Snapshot before = Snapshot::take(scratch, {Autoexec});
  runQuietly(package, "/a");
  // The product's own settings, as its program would write them.
  RegSetText(HKEY_LOCAL_MACHINE, "Software\\" + publisher + "\\Full\\Sub", "Setting", "1");
  RegSetText(HKEY_CURRENT_USER, "Software\\" + publisher + "\\Full", "Setting", "1");
  const Snapshot installed = Snapshot::take(scratch, {Autoexec});
  const std::string added = Snapshot::difference(before, installed);
  for (const std::string& part : {installDir + "\\Docs\\deep\\b.txt", installDir + "\\Docs\\only\\folders\\c.txt",
                                  installDir + "\\Made.txt",
                                  installDir + "\\Uninstall\\Installer Background.BMP", fontFile,
                                  startMenu + "\\" + product + "\\app.LNK", shellFolder("Startup") + "\\tool.LNK",
                                  std::string("C:\\autoexec.bat"), "\\Uninstall\\" + product + "]",
                                  "\\" + publisher + "\\Full\\Sub]"}) {
    EXPECT_NE(added.find(part), std::string::npos) << part << " not installed; added:\n" << added;
  }
  EXPECT_EQ(SharedCount(sharedFile), 2);
  // The desktop is a link out of drive C under Wine: checked on its own.
  const std::string desktopShortcut = shellFolder("Desktop") + "\\app.LNK";
  EXPECT_TRUE(Exists(desktopShortcut));
  EXPECT_EQ(Uninstall(product, "ProductFonts"), "\"TessaR Sans\" \"TessaR.ttf\" ");

  const std::string uninstaller = installDir + "\\Uninstall\\Uninstall.EXE";
  startStored(product, "UninstallString");
  EXPECT_EQ(waitForExit(), 1);
  EXPECT_TRUE(selfRemovalFinished(uninstaller));
  EXPECT_EQ(Snapshot::difference(before, Snapshot::take(scratch, {Autoexec})), "");
  EXPECT_FALSE(Exists(desktopShortcut));
  EXPECT_EQ(SharedCount(sharedFile), 1);
  EXPECT_TRUE(Exists(sharedFile));
  EXPECT_EQ(Read(scratch + "\\after.txt"), "C:\\\r\n");  // the last hook ran at the drive's root

  // The last user of the shared file takes it.
  startStored(other, "QuietUninstallString");
  EXPECT_EQ(waitForExit(), 1);
  EXPECT_TRUE(selfRemovalFinished(scratch + "\\other-dest\\Uninstall.EXE"));
  EXPECT_EQ(SharedCount(sharedFile), -1);
  EXPECT_FALSE(Exists(CommonFiles() + "\\" + publisher));
  EXPECT_FALSE(Exists(scratch + "\\other-dest"));
  EXPECT_EQ(Uninstall(other, "DisplayName"), "<none>");
}

// The installation directory equal to the Program Files or Windows
// directory (in another letter case, with a trailing backslash) is never
// deleted wholesale; any other directory is.
TEST_F(QuietRemoval, RemoveInstallDirSparesProgramFilesAndWindows) {
  programFiles_ = ProgramFiles();
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  // A stand-in Program Files directory, so that a failure costs nothing.
  const std::string decoy = windowsPath(scratch_) + "\\Programs";
  ASSERT_TRUE(CreateDirectoryA(decoy.c_str(), nullptr));
  RegSetText(HKEY_LOCAL_MACHINE, VersionKey, "ProgramFilesDir", decoy);
  const std::string marker = std::string(windows) + "\\e2e-removal-marker.txt";
  removeAtEnd(marker);
  const struct {
    std::string installDir;
    std::string kept;  // a file inside that must stay, or "" when all goes
  } cases[] = {
      {CharUpperA(&std::string(decoy)[0]) + std::string("\\"), decoy + "\\kept.txt"},
      {CharLowerA(&std::string(windows)[0]) + std::string("\\"), marker},
      {windowsPath(scratch_) + "\\Plain", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.installDir);
    const std::string product = "E2E Removal Dir";
    const std::string file = c.kept.empty() ? c.installDir + "\\gone.txt" : c.kept;
    CreateDirectoryA(c.installDir.c_str(), nullptr);
    ASSERT_TRUE(Write(file, "data"));
    removeQuietly(product, pretendInstalled(product, c.installDir, 0x400));  // RemoveInstallDir
    EXPECT_EQ(Exists(file), !c.kept.empty());
  }
  EXPECT_TRUE(Exists(programFiles_));
}

// The start-menu walk takes the product's folder and the parents it
// leaves empty, but not the Programs folder even when nothing else is in it.
TEST_F(QuietRemoval, StartMenuWalkStopsBelowPrograms) {
  programs_ = RegText(HKEY_CURRENT_USER, ShellFoldersKey, "Programs");
  const std::string programs = windowsPath(scratch_) + "\\Start Menu\\Programs";
  const std::string folder = programs + "\\E2E Pub\\E2E Walk";
  for (const std::string& dir : {programs.substr(0, programs.rfind('\\')), programs, programs + "\\E2E Pub", folder})
    CreateDirectoryA(dir.c_str(), nullptr);
  RegSetText(HKEY_CURRENT_USER, ShellFoldersKey, "Programs", programs);
  const std::string product = "E2E Removal Walk";
  const std::string uninstaller = pretendInstalled(product, windowsPath(scratch_) + "\\walk-dest", 0);
  RegSetText(HKEY_LOCAL_MACHINE, ProductKey(product), "ProductStartMenu", "E2E Pub\\E2E Walk");
  removeQuietly(product, uninstaller);
  EXPECT_FALSE(Exists(programs + "\\E2E Pub"));
  EXPECT_TRUE(IsDirectory(programs));
}

}  // namespace
