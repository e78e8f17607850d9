// Special folders, the boot drive, shortcuts and file versions under Wine.
// The tests change the prefix's shell-folder values and put every one back.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/filesys.h"
#include "platform/shell.h"
#include "tests/win32/data/platform_test_support.h"

using platform_test::existsRaw;
using platform_test::isDirectoryRaw;
using platform_test::probePath;
using platform_test::ScratchDirectory;
using platform_test::writeRaw;

namespace {

constexpr char ShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char CurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char SetupKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

std::string str(const String& s) { return std::string(s.cStr(), s.length()); }

// One registry value as it was before a test, put back afterwards.
struct SavedValue {
  HKEY root = nullptr;
  std::string key;
  std::string name;
  bool existed = false;
  DWORD type = 0;
  std::string data;
};

void setValue(HKEY root, const std::string& key, const std::string& name, const std::string& text) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(k);
}

void removeValue(HKEY root, const std::string& key, const std::string& name) {
  HKEY k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return;
  RegDeleteValueA(k, name.c_str());
  RegCloseKey(k);
}

class ShellFolderValues : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_ = str(windowsDirectory());
    HKEY k;
    setupKeyExisted_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, SetupKey, 0, KEY_READ, &k) == ERROR_SUCCESS;
    if (setupKeyExisted_) RegCloseKey(k);
    for (const char* name : {"Desktop", "Fonts", "Start Menu", "Programs", "Startup"}) {
      save(HKEY_CURRENT_USER, ShellFolders, name);
    }
    save(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesDir");
    save(HKEY_LOCAL_MACHINE, CurrentVersion, "CommonFilesDir");
    save(HKEY_LOCAL_MACHINE, SetupKey, "BootDir");
  }

  void TearDown() override {
    for (const SavedValue& v : saved_) {
      if (!v.existed) {
        removeValue(v.root, v.key, v.name);
        continue;
      }
      HKEY k;
      if (RegCreateKeyExA(v.root, v.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS) {
        continue;
      }
      RegSetValueExA(k, v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                     static_cast<DWORD>(v.data.size()));
      RegCloseKey(k);
    }
    if (!setupKeyExisted_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, SetupKey);
  }

  void save(HKEY root, const char* key, const char* name) {
    SavedValue v;
    v.root = root;
    v.key = key;
    v.name = name;
    HKEY k;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) == ERROR_SUCCESS) {
      DWORD size = 0;
      if (RegQueryValueExA(k, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        v.existed = RegQueryValueExA(k, name, nullptr, &v.type, reinterpret_cast<BYTE*>(&v.data[0]), &size) ==
                    ERROR_SUCCESS;
      }
      RegCloseKey(k);
    }
    saved_.push_back(v);
  }

  void removeAll() {
    for (const SavedValue& v : saved_) removeValue(v.root, v.key, v.name);
  }

  std::string windows_;
  bool setupKeyExisted_ = false;
  std::vector<SavedValue> saved_;
};

TEST_F(ShellFolderValues, FoldersComeFromTheRegistry) {
  setValue(HKEY_CURRENT_USER, ShellFolders, "Desktop", "C:\\Users\\T\\Desk");
  setValue(HKEY_CURRENT_USER, ShellFolders, "Fonts", "C:\\F");
  setValue(HKEY_CURRENT_USER, ShellFolders, "Start Menu", "C:\\Menu");
  setValue(HKEY_CURRENT_USER, ShellFolders, "Programs", "C:\\Progs");
  setValue(HKEY_CURRENT_USER, ShellFolders, "Startup", "C:\\Boot");
  setValue(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesDir", "D:\\Apps");
  setValue(HKEY_LOCAL_MACHINE, CurrentVersion, "CommonFilesDir", "D:\\Shared");
  EXPECT_EQ(str(shellFolder("Fonts")), "C:\\F");
  EXPECT_EQ(str(windowsSetting("ProgramFilesDir")), "D:\\Apps");
  EXPECT_EQ(str(desktopDirectory()), "C:\\Users\\T\\Desk");
  EXPECT_EQ(str(fontsDirectory()), "C:\\F");
  EXPECT_EQ(str(startMenuDirectory()), "C:\\Menu");
  EXPECT_EQ(str(programsDirectory()), "C:\\Progs");
  EXPECT_EQ(str(startupDirectory()), "C:\\Boot");
  EXPECT_EQ(str(programFilesDirectory()), "D:\\Apps");
  EXPECT_EQ(str(commonFilesDirectory()), "D:\\Shared");
}

TEST_F(ShellFolderValues, FallbacksChainWithoutValues) {
  removeAll();
  EXPECT_EQ(str(shellFolder("Desktop")), "");
  EXPECT_EQ(str(programFilesDirectory()), "c:\\Program Files");
  EXPECT_EQ(str(commonFilesDirectory()), "c:\\Program Files\\Common Files");
  EXPECT_EQ(str(desktopDirectory()), windows_ + "\\Desktop");
  EXPECT_EQ(str(fontsDirectory()), windows_ + "\\Fonts");
  EXPECT_EQ(str(startMenuDirectory()), windows_ + "\\Start Menu");
  EXPECT_EQ(str(programsDirectory()), windows_ + "\\Start Menu\\Programs");
  EXPECT_EQ(str(startupDirectory()), windows_ + "\\Start Menu\\Programs\\StartUp");

  // A fallback builds on its parent's registry value where there is one.
  setValue(HKEY_CURRENT_USER, ShellFolders, "Start Menu", "C:\\Menu");
  setValue(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesDir", "D:\\Apps");
  EXPECT_EQ(str(programsDirectory()), "C:\\Menu\\Programs");
  EXPECT_EQ(str(startupDirectory()), "C:\\Menu\\Programs\\StartUp");
  EXPECT_EQ(str(commonFilesDirectory()), "D:\\Apps\\Common Files");
}

TEST_F(ShellFolderValues, BootDrive) {
  removeAll();
  EXPECT_EQ(bootDrive(), 'C');
  setValue(HKEY_LOCAL_MACHINE, SetupKey, "BootDir", "d:\\");
  EXPECT_EQ(bootDrive(), 'D');
  setValue(HKEY_LOCAL_MACHINE, SetupKey, "BootDir", "E:");
  EXPECT_EQ(bootDrive(), 'E');
  for (const char* bad : {"", "x", "1:\\", "\\\\server"}) {
    setValue(HKEY_LOCAL_MACHINE, SetupKey, "BootDir", bad);
    EXPECT_EQ(bootDrive(), 'C') << bad;
  }
}

// What a saved shortcut holds, read back through the shell link object.
struct LinkContents {
  std::string path, arguments, workingDirectory, iconPath;
  int iconIndex = -1;
};

bool loadLink(const std::string& file, LinkContents& out) {
  IShellLinkA* link = nullptr;
  IPersistFile* persist = nullptr;
  bool ok = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
    char text[MAX_PATH];
    if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
      ok = true;
      if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) out.path = text;
      if (SUCCEEDED(link->GetArguments(text, MAX_PATH))) out.arguments = text;
      if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) out.workingDirectory = text;
      if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &out.iconIndex))) out.iconPath = text;
    }
  }
  if (persist) persist->Release();
  if (link) link->Release();
  return ok;
}

class Shortcuts : public ShellFolderValues {
 protected:
  void SetUp() override {
    ShellFolderValues::SetUp();
    CoInitialize(nullptr);
    target_ = str(modulePath());
  }
  void TearDown() override {
    CoUninitialize();
    ShellFolderValues::TearDown();
  }
  std::string target_;
};

TEST_F(Shortcuts, SavedShortcutLoadsBack) {
  ScratchDirectory dir("shortcut");
  String link((dir / "My App").c_str());
  ASSERT_TRUE(createShortcut(link, target_.c_str(), "/a \"x y\"", "C:\\windows"));
  EXPECT_EQ(str(link), dir / "My App.LNK");
  ASSERT_TRUE(existsRaw(str(link)));
  LinkContents contents;
  ASSERT_TRUE(loadLink(str(link), contents));
  EXPECT_STRCASEEQ(contents.path.c_str(), target_.c_str());
  EXPECT_EQ(contents.arguments, "/a \"x y\"");
  EXPECT_STRCASEEQ(contents.workingDirectory.c_str(), "C:\\windows");
  EXPECT_STRCASEEQ(contents.iconPath.c_str(), target_.c_str());
  EXPECT_EQ(contents.iconIndex, 0);

  // Without arguments and directory neither is set; ".lnk" is not doubled.
  String plain((dir / "Plain.lnk").c_str());
  ASSERT_TRUE(createShortcut(plain, target_.c_str(), nullptr, nullptr));
  EXPECT_EQ(str(plain), dir / "Plain.lnk");
  LinkContents bare;
  ASSERT_TRUE(loadLink(str(plain), bare));
  EXPECT_EQ(bare.arguments, "");
  EXPECT_EQ(bare.workingDirectory, "");
}

TEST_F(Shortcuts, ProgramGroupAndDesktopShortcuts) {
  ScratchDirectory dir("groups");
  setValue(HKEY_CURRENT_USER, ShellFolders, "Programs", dir / "Programs");
  setValue(HKEY_CURRENT_USER, ShellFolders, "Desktop", dir / "Desktop");
  String out;
  ASSERT_TRUE(createProgramsShortcut("Tessa Group\\Sub\\App", target_.c_str(), "", "", &out));
  EXPECT_EQ(str(out), dir / "Programs\\Tessa Group\\Sub\\App.LNK");
  EXPECT_TRUE(isDirectoryRaw(dir / "Programs\\Tessa Group\\Sub"));
  EXPECT_TRUE(existsRaw(str(out)));

  ASSERT_TRUE(createDesktopShortcut("App.lnk", target_.c_str(), nullptr, nullptr, &out));
  EXPECT_EQ(str(out), dir / "Desktop\\App.lnk");
  EXPECT_TRUE(existsRaw(str(out)));
  EXPECT_TRUE(createDesktopShortcut("Other", target_.c_str(), nullptr, nullptr));
  EXPECT_TRUE(existsRaw(dir / "Desktop\\Other.LNK"));
}

TEST_F(Shortcuts, UnsavableShortcutReportsFalse) {
  ScratchDirectory dir("unsavable");
  ASSERT_TRUE(writeRaw(dir / "file", "x"));
  String below((dir / "file\\App").c_str());  // a file where the folder should be
  EXPECT_FALSE(createShortcut(below, target_.c_str(), nullptr, nullptr));
  EXPECT_EQ(str(below), dir / "file\\App.LNK");
  String tooLong((dir / std::string(300, 'x')).c_str());
  EXPECT_FALSE(createShortcut(tooLong, target_.c_str(), nullptr, nullptr));
}

TEST(FileVersion, PlainAndComparableTexts) {
  const std::string shortProbe = probePath("version_short.dll");
  ASSERT_TRUE(existsRaw(shortProbe)) << shortProbe;
  EXPECT_EQ(str(fileVersionText(shortProbe.c_str(), false)), "1.2");
  EXPECT_EQ(str(fileVersionText(shortProbe.c_str(), true)), "0000000001.0000000002");
  const std::string longProbe = probePath("version_long.dll");
  EXPECT_EQ(str(fileVersionText(longProbe.c_str(), false)), "4.12345678901.b2");
  EXPECT_EQ(str(fileVersionText(longProbe.c_str(), true)), "0000000004.12345678901.00000000B2");

  EXPECT_EQ(str(fileVersionText(probePath("version_none.dll").c_str(), true)), "");
  EXPECT_EQ(str(fileVersionText(probePath("version_other_language.dll").c_str(), false)), "");
  EXPECT_EQ(str(fileVersionText(probePath("missing.dll").c_str(), false)), "");
  ScratchDirectory dir("versions");
  ASSERT_TRUE(writeRaw(dir / "text.dll", "not a program"));
  EXPECT_EQ(str(fileVersionText((dir / "text.dll").c_str(), true)), "");
}

TEST(FileVersion, ComparableFormOrdersLikeVersions) {
  String v("4.00.950");
  makeComparableVersion(v);
  EXPECT_EQ(str(v), "0000000004.0000000000.0000000950");
  String empty;
  makeComparableVersion(empty);
  EXPECT_EQ(str(empty), "");
  String gap("1..2");
  makeComparableVersion(gap);
  EXPECT_EQ(str(gap), "0000000001.0000000000.0000000002");
  String a("4.10"), b("4.9");
  makeComparableVersion(a);
  makeComparableVersion(b);
  EXPECT_GT(a.compare(b), 0);
}

}  // namespace
