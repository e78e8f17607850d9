// Installing over files that are already there: shared and system files by
// date and version, read-only targets, and a file in use, which is written
// beside the product and takes its place at the next restart (by a pending
// rename on NT, by the "rename" section of wininit.ini on the 95 family).
#include "tests/e2e/install_e2e.h"

namespace {

using namespace install_e2e;

const char Old[] = "2020-01-01 00:00:00";
const char Archived[] = "2024-05-01 12:00:00";
const char Later[] = "2025-01-01 00:00:00";
const char ArchivedToml[] = "2024-05-01T12:00:00";

class InstallReplacement : public Installing {
 protected:
  // A file of the package, with its manifest entry appended to `files`.
  void packageFile(const std::string& folder, std::string& files, const std::string& name, const std::string& kind,
                   const std::string& extra) {
    source(folder, name, "new " + name);
    files += "[[file]]\nsource = '" + name + "'\nkind = '" + kind + "'\n" + extra;
  }
  // Answers the introduction, the completion box and then the restart
  // question with No (a restart under Wine would carry out the pending
  // renames at once).
  void installDecliningRestart(const std::string& package, const std::string& arguments) {
    start(commandLineFor(package, arguments), package);
    const driver::Window done = answer(next(IntroductionCaption), IDYES, CompletionCaption);
    const driver::Window restart = answer(done, IDOK, QuestionCaption);
    EXPECT_EQ(restart.messageText(), "Restart now?");
    EXPECT_EQ(dismissAndWait(restart, IDNO), 1);
  }
  // Holds `path` open for reading, sharing reading only, until destroyed.
  struct Holder {
    explicit Holder(const std::string& path)
        : handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~Holder() { release(); }
    void release() {
      if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
      handle = INVALID_HANDLE_VALUE;
    }
    HANDLE handle;
  };
  // Checks that `temporary` is an "XXX" file in `directory` holding `data`.
  static void expectStandIn(const std::string& temporary, const std::string& directory, const std::string& data) {
    char longPath[MAX_PATH] = {};
    GetLongPathNameA(temporary.c_str(), longPath, MAX_PATH);
    EXPECT_EQ(std::string(longPath).substr(0, directory.size() + 4), directory + "\\XXX") << temporary;
    EXPECT_EQ(Read(temporary), data);
  }
};

TEST_F(InstallReplacement, SharedAndSystemFilesReplaceOnlyOlderOnes) {
  const std::string sharedDir = CommonFiles() + "\\E2E Repl Publisher";
  const std::string system = SystemDirectory();
  const std::string dest = windowsPath(scratch_) + "\\dest";
  removeAtEnd(sharedDir);
  CreateDirectoryA(sharedDir.c_str(), nullptr);
  CreateDirectoryA(dest.c_str(), nullptr);
  // Installed copies with the FileVersion "1.2" in the table the installer reads.
  const std::string versioned = windowsPath(TESSA_VERSIONED_DLL);

  const struct {
    std::string name;
    std::string kind;
    std::string installedFrom;  // "" for a plain file
    std::string installedTime;
    std::string manifest;  // the entry's time and version
    bool replaced;
  } cases[] = {
      {"older.dll", "shared", "", Old, std::string("time = ") + ArchivedToml + "\n", true},
      {"newer.dll", "shared", "", Later, std::string("time = ") + ArchivedToml + "\n", false},
      {"equal.dll", "shared", "", Archived, std::string("time = ") + ArchivedToml + "\n", false},
      {"notime.dll", "shared", "", Later, "time = 'none'\n", true},
      {"e2e_repl_lowver.dll", "system", versioned, Old,
       std::string("time = ") + ArchivedToml + "\nversion = '1.0'\n", false},
      {"e2e_repl_highver.dll", "system", versioned, Old,
       std::string("time = ") + ArchivedToml + "\nversion = '99.0'\n", true},
      {"e2e_repl_older.dll", "system", "", Old, std::string("time = ") + ArchivedToml + "\n", true},
      {"e2e_repl_sameday.dll", "system", "", Archived, std::string("time = ") + ArchivedToml + "\n", false},
  };
  std::string files;
  for (const auto& c : cases) {
    const std::string target = (c.kind == "shared" ? sharedDir : system) + "\\" + c.name;
    if (c.kind == "system") removeAtEnd(target);
    uncountAtEnd(target);
    const std::string installed = c.installedFrom.empty() ? "old" : Read(c.installedFrom);
    ASSERT_TRUE(WriteWithTime(target, installed, c.installedTime)) << target;
    packageFile("repl", files, c.name, c.kind, c.manifest);
  }
  // A read-only file of the product is overwritten with ClearReadOnly. Wine
  // run by root writes read-only files anyway; there the cases say nothing.
  ASSERT_TRUE(Write(dest + "\\ro.txt", "old"));
  SetFileAttributesA((dest + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  const bool readOnlyHolds = !Write(dest + "\\ro.txt", "old");
  if (!readOnlyHolds) printf("read-only files are writable here: the read-only cases are not checked\n");
  packageFile("repl", files, "ro.txt", "app", "");
  const std::string package =
      build("repl", "E2E Repl",
            "publisher = 'E2E Repl Publisher'\n"
            "flags = ['RegisterUninstall', 'ClearReadOnly', 'VerifyWrites']\n" + files);
  runQuietly(package, "/a /d:\"" + dest + "\"");

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = (c.kind == "shared" ? sharedDir : system) + "\\" + c.name;
    if (c.replaced) {
      EXPECT_EQ(Read(target), "new " + c.name);
      if (c.manifest.find("none") == std::string::npos) {
        EXPECT_EQ(LocalTime(target), Archived);
      }
    } else {
      EXPECT_NE(Read(target), "new " + c.name);
      EXPECT_EQ(LocalTime(target), c.installedTime);
    }
  }
  if (readOnlyHolds) {
    EXPECT_EQ(Read(dest + "\\ro.txt"), "new ro.txt");
  }

  // Without ClearReadOnly every attempt fails and the file stays.
  SetFileAttributesA((dest + "\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(Write(dest + "\\ro.txt", "old"));
  SetFileAttributesA((dest + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  std::string lockedFiles;
  packageFile("locked", lockedFiles, "ro.txt", "app", "");
  runQuietly(build("locked", "E2E Repl Locked", lockedFiles), "/a /d:\"" + dest + "\"");
  if (readOnlyHolds) {
    EXPECT_EQ(Read(dest + "\\ro.txt"), "old");
  }
}

TEST_F(InstallReplacement, FileInUseIsReplacedAtRestart) {
  const std::string sharedDir = CommonFiles() + "\\E2E Busy Publisher";
  const std::string target = sharedDir + "\\busy.dll";
  const std::string dest = windowsPath(scratch_) + "\\dest";
  removeAtEnd(sharedDir);
  uncountAtEnd(target);
  CreateDirectoryA(sharedDir.c_str(), nullptr);
  ASSERT_TRUE(WriteWithTime(target, "old", Old));
  std::string files;
  packageFile("busy", files, "busy.dll", "shared", std::string("time = ") + ArchivedToml + "\n");
  const std::string package = build("busy", "E2E Busy",
                                    "publisher = 'E2E Busy Publisher'\nflags = ['RegisterUninstall']\n" + files);
  Holder holder(target);
  ASSERT_NE(holder.handle, INVALID_HANDLE_VALUE);
  installDecliningRestart(package, "/d:\"" + dest + "\"");

  EXPECT_EQ(Read(target), "old");
  EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, ProductKey("E2E Busy"), "ProductFlags") & 0x4000, 0x4000);
  const std::string pending = PendingRenames();
  const size_t arrow = pending.find('>');
  ASSERT_NE(arrow, std::string::npos) << "no pending rename";
  EXPECT_EQ(pending.substr(arrow), ">" + target + "|");
  // Beside its target: a rename at restart cannot cross volumes.
  expectStandIn(pending.substr(0, arrow), sharedDir, "new busy.dll");

  // Wine's restart carries the rename out.
  holder.release();
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  char line[] = "wineboot.exe --restart";
  ASSERT_TRUE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  EXPECT_EQ(Read(target), "new busy.dll");
  EXPECT_EQ(PendingRenames(), "");
  RegRemoveValue(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingRenamesValue);
}

TEST_F(InstallReplacement, OnThe95FamilyTheRenameGoesToWininit) {
  const std::string target = SystemDirectory() + "\\e2e_busy95.dll";
  const std::string dest = windowsPath(scratch_) + "\\dest";
  const std::string appDefaults = "Software\\Wine\\AppDefaults\\setup95.exe";
  removeAtEnd(target);
  ASSERT_TRUE(WriteWithTime(target, "old", Old));
  std::string files;
  packageFile("busy95", files, "e2e_busy95.dll", "system", std::string("time = ") + ArchivedToml + "\n");
  const std::string built = build("busy95", "E2E Busy95", files);
  const std::string package = built.substr(0, built.rfind('/')) + "/setup95.exe";
  ASSERT_TRUE(CopyFileA(windowsPath(built).c_str(), windowsPath(package).c_str(), FALSE));
  RegSetText(HKEY_CURRENT_USER, appDefaults, "Version", "win95");
  Holder holder(target);
  ASSERT_NE(holder.handle, INVALID_HANDLE_VALUE);
  installDecliningRestart(package, "/d:\"" + dest + "\"");
  RegDeleteKeyA(HKEY_CURRENT_USER, appDefaults.c_str());

  char temporary[MAX_PATH] = {};
  GetPrivateProfileStringA("rename", target.c_str(), "", temporary, MAX_PATH, "wininit.ini");
  WritePrivateProfileStringA("rename", nullptr, nullptr, "wininit.ini");
  EXPECT_EQ(Read(target), "old");
  EXPECT_EQ(PendingRenames(), "");
  expectStandIn(temporary, SystemDirectory(), "new e2e_busy95.dll");
  DeleteFileA(temporary);
}

}  // namespace
