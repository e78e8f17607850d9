// Installations a person answers: leaving at the introduction, the licence
// or the read-me writes nothing; the directory dialog refuses what it must
// and accepts after each refusal; the reinstall question names the version
// relation; a master product is required; a missing disk is waited for.
#include "tests/e2e/install_e2e.h"

namespace {

using namespace install_e2e;

class InteractiveInstall : public Installing {
 protected:
  // Answers the introduction with Yes and returns the next window.
  driver::Window pastIntroduction(const std::string& package, const std::string& product,
                                  const std::string& caption) {
    start(commandLineFor(package, ""), package);
    const driver::Window introduction = next(IntroductionCaption);
    EXPECT_EQ(introduction.messageText(), "Install " + product + "?");
    return answer(introduction, IDYES, caption);
  }

  // Fabricates the uninstall key of an installed `product` at `location`.
  void pretendInstalled(const std::string& product, const std::string& location, const std::string& version) {
    forget(product);
    CreateDirectoryA(location.c_str(), nullptr);
    RegSetText(HKEY_LOCAL_MACHINE, ProductKey(product), "UninstallString", "Uninstall.EXE");
    RegSetText(HKEY_LOCAL_MACHINE, ProductKey(product), "InstallLocation", location);
    RegSetText(HKEY_LOCAL_MACHINE, ProductKey(product), "DisplayVersion", version);
  }

};

TEST_F(InteractiveInstall, DecliningAnyFirstQuestionWritesNothing) {
  const std::string product = "E2E Ask";
  source("ask", "License.txt", "the licence");
  source("ask", "ReadMe.txt", "the read-me");
  source("ask", "a.txt", "a");
  const std::string dest = windowsPath(scratch_) + "\\ask-dest";
  const std::string package = build("ask", product,
                                    "install-dir = '" + dest +
                                        "'\nflags = ['RegisterUninstall']\n[texts]\nlicense = 'License.txt'\n"
                                        "readme = 'ReadMe.txt'\n[[file]]\nsource = 'a.txt'\n");
  start(commandLineFor(package, ""), package);
  EXPECT_EQ(dismissAndWait(next(IntroductionCaption), IDNO), 1);

  const driver::Window licence = pastIntroduction(package, product, "Licence");
  EXPECT_EQ(licence.control(1005) ? licence.control(1005)->text : "", "the licence");
  EXPECT_EQ(dismissAndWait(licence, AbortButton), 1);

  const driver::Window readme = answer(pastIntroduction(package, product, "Licence"), ContinueButton, "Read me");
  EXPECT_EQ(readme.control(1005) ? readme.control(1005)->text : "", "the read-me");
  EXPECT_EQ(dismissAndWait(readme, AbortButton), 1);

  EXPECT_FALSE(Exists(dest));
  EXPECT_EQ(Uninstall(product, "InstallLocation"), "<none>");
}

TEST_F(InteractiveInstall, DirectoryDialogRefusesUntilAnAcceptableDirectory) {
  const std::string product = "E2E Where";
  // 40000 and 20500 bytes take 40960 + 24576 = 65536 bytes in 4 KiB clusters.
  source("where", "big.bin", std::string(40000, 'b'));
  source("where", "small.bin", std::string(20500, 's'));
  const std::string package = build("where", product,
                                    "install-dir = 'E2E Where'\nflags = ['AskDirectory']\n"
                                    "[[file]]\nsource = 'big.bin'\n[[file]]\nsource = 'small.bin'\n");
  const char small = mountSmallDrive(64);
  const char missing = freeDriveLetter(small == 0 ? 'M' : static_cast<char>(small + 1));
  ASSERT_NE(missing, 0);
  const std::string programFiles = ProgramFiles();
  const std::string fresh = windowsPath(scratch_) + "\\fresh";
  const std::string existing = windowsPath(scratch_) + "\\existing";
  ASSERT_TRUE(CreateDirectoryA(existing.c_str(), nullptr));

  driver::Window dialog = pastIntroduction(package, product, "Directory");
  EXPECT_EQ(dialog.control(DirectoryField) ? dialog.control(DirectoryField)->text : "",
            programFiles + "\\E2E Where");
  const struct {
    std::string typed;
    std::string caption;
    std::string text;
    int button;
  } refusals[] = {
      {"nodrive\\x", ErrorCaption, "Bad name.\r\nnodrive\\x", IDOK},
      {"C:x\\y", ErrorCaption, "Bad name.\r\nC:x\\y", IDOK},
      {std::string(1, static_cast<char>(missing + 'a' - 'A')) + ":\\x", ErrorCaption,
       std::string("No drive ") + missing + ".", IDOK},
      {"C:\\", ErrorCaption, "No root.", IDOK},
      {"  " + programFiles + "\\\\ ", ErrorCaption, "Not " + programFiles + ".", IDOK},
      {std::string(1, small) + ":\\x", QuestionCaption,
       std::string("Need 64.00 KB on ") + small + ": free 64.00 KB.", IDNO},
      {fresh, "Directory", "Create " + fresh + "?", IDNO},
  };
  for (const auto& refusal : refusals) {
    if (small == 0 && refusal.caption == QuestionCaption) continue;  // no small drive here
    SCOPED_TRACE(refusal.typed);
    const driver::Window box = chooseDirectory(dialog, refusal.typed, refusal.caption);
    EXPECT_EQ(box.messageText(), refusal.text);
    dialog = answer(box, refusal.button, "Directory");
  }
  const driver::Window confirm = chooseDirectory(dialog, existing, "Directory");
  EXPECT_EQ(confirm.messageText(), "Use " + existing + "?");
  EXPECT_EQ(answerAndComplete(confirm, IDYES), 1);
  EXPECT_EQ(Read(existing + "\\small.bin"), std::string(20500, 's'));
  EXPECT_FALSE(Exists(fresh));
}

TEST_F(InteractiveInstall, ReinstallQuestionNamesTheVersionRelation) {
  const std::string product = "E2E Again";
  const std::string location = windowsPath(scratch_) + "\\installed";
  source("again", "a.txt", "again");
  const std::string package = build("again", product,
                                    "version = '2.0'\nflags = ['RegisterUninstall', 'AskDirectory']\n"
                                    "[[file]]\nsource = 'a.txt'\n");
  const struct {
    const char* installed;
    const char* text;
  } relations[] = {
      {"", "Version unknown."},
      {"2.00", "Same version."},
      {"1.5", "Older version installed."},
      {"10", "Newer version installed."},
  };
  for (const auto& relation : relations) {
    SCOPED_TRACE(relation.installed);
    pretendInstalled(product, location, relation.installed);
    const driver::Window question = pastIntroduction(package, product, "Reinstall");
    EXPECT_EQ(question.messageText(), std::string(relation.text) + "\r\n" + location + "\r\n\r\nGo on?");
    EXPECT_EQ(dismissAndWait(question, IDNO), 1);
    captureFailureAndEnd();
  }
  EXPECT_FALSE(Exists(location + "\\a.txt"));
  // Yes goes on into the installed location without asking for a directory.
  EXPECT_EQ(answerAndComplete(pastIntroduction(package, product, "Reinstall"), IDYES), 1);
  EXPECT_EQ(Read(location + "\\a.txt"), "again");
}

TEST_F(InteractiveInstall, MasterProductIsRequiredAndGivesItsDirectory) {
  const std::string master = "E2E Master";
  const std::string location = windowsPath(scratch_) + "\\master";
  forget(master);
  source("child", "child.txt", "child");
  const std::string package = build("child", "E2E Child",
                                    "master = '" + master + "'\ninstall-dir = '<master>'\n"
                                    "[[file]]\nsource = 'child.txt'\n");
  runQuietly(package, "/a");  // no box in automatic mode
  start(commandLineFor(package, ""), package);
  const driver::Window box = next(ErrorCaption);
  EXPECT_EQ(box.messageText(), master + " is missing.");
  EXPECT_EQ(dismissAndWait(box), 1);
  EXPECT_FALSE(Exists(location));

  pretendInstalled(master, location, "1.0");
  runQuietly(package, "/a");
  EXPECT_EQ(Read(location + "\\child.txt"), "child");
}

TEST_F(InteractiveInstall, MissingDiskPutBackCompletesTheInstallation) {
  std::string data(60000, '\0');
  uint32_t x = 2463534242u;
  for (char& c : data) x ^= x << 13, x ^= x >> 17, x ^= x << 5, c = static_cast<char>(x);
  source("disks", "data.bin", data);
  const size_t programSize = ui_e2e::ReadFile(ProgramPath()).size();
  const std::string package = build("disks", "E2E Disks",
                                    "[package]\ncompression = false\ndisk-size = " +
                                        std::to_string(programSize + 30000) + "\n[[file]]\nsource = 'data.bin'\n");
  const std::string disk = windowsPath(scratch_) + "\\disks\\Disk2.SEA";
  ASSERT_TRUE(MoveFileA(disk.c_str(), (disk + ".away").c_str()));
  const std::string dest = windowsPath(scratch_) + "\\disks-dest";
  start(commandLineFor(package, "/a /d:\"" + dest + "\""), package);

  const driver::Window request = next("Next disk");
  EXPECT_EQ(request.messageText(), "Insert disk 2 in Z:");
  const driver::Window owner = driver::readWindow(GetWindow(request.handle, GW_OWNER));
  EXPECT_EQ(owner.className, "SEA Window Classs") << "the request is owned by the background window";
  ASSERT_TRUE(MoveFileA((disk + ".away").c_str(), disk.c_str()));
  EXPECT_EQ(dismissAndWait(request, IDOK), 1);
  EXPECT_EQ(Read(dest + "\\data.bin"), data);
}

}  // namespace
