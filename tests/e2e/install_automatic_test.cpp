// Installations in automatic mode (/a): no question is asked, the files land
// where /d: or the default directory says, with their contents and times; a
// reinstall goes back to where the product is; /n: installs it again under
// another name; NoReinstall is refused even without questions.
#include "tests/e2e/install_e2e.h"

namespace {

using namespace install_e2e;

class AutomaticInstall : public Installing {};

TEST_F(AutomaticInstall, FilesLandWithContentAndTimeAndReinstallStaysInPlace) {
  const std::string product = "E2E Auto";
  const std::string sharedDir = CommonFiles() + "\\E2E Auto Publisher";
  const std::string sharedFile = sharedDir + "\\s.dll";
  const std::string defaultDir = ProgramFiles() + "\\E2E Auto Default";
  forget("E2E Auto Renamed");
  removeAtEnd(sharedDir);
  removeAtEnd(defaultDir);
  uncountAtEnd(sharedFile);
  source("auto", "a.txt", "application\r\n");
  source("auto", "b.bin", std::string("binary\0data", 11));
  source("auto", "s.dll", "shared library");
  const std::string package = build("auto", product,
                                    "publisher = 'E2E Auto Publisher'\nversion = '1.0'\n"
                                    "install-dir = 'E2E Auto Default'\n"
                                    "flags = ['RegisterUninstall', 'VerifyChecksums']\n"
                                    "[[file]]\nsource = 'a.txt'\ntime = 2024-05-01T12:00:00\n"
                                    "[[file]]\nsource = 'b.bin'\nto = 'sub/'\ntime = 2023-01-02T03:04:05\n"
                                    "[[file]]\nsource = 's.dll'\nkind = 'shared'\ntime = 'none'\n");
  const std::string dest = windowsPath(scratch_) + "\\new\\dest";
  const std::string elsewhere = windowsPath(scratch_) + "\\elsewhere";

  runQuietly(package, "/a /d:\"" + dest + "\"");
  EXPECT_EQ(Read(dest + "\\a.txt"), "application\r\n");
  EXPECT_EQ(LocalTime(dest + "\\a.txt"), "2024-05-01 12:00:00");
  EXPECT_EQ(Read(dest + "\\sub\\b.bin"), std::string("binary\0data", 11));
  EXPECT_EQ(LocalTime(dest + "\\sub\\b.bin"), "2023-01-02 03:04:05");
  EXPECT_EQ(Read(sharedFile), "shared library");
  EXPECT_TRUE(Exists(dest + "\\Uninstall.EXE"));
  EXPECT_EQ(Uninstall(product, "InstallLocation"), dest);
  EXPECT_EQ(Uninstall(product, "SharedFiles"), "\"s.dll\"");
  EXPECT_EQ(SharedCount(sharedFile), 1);

  // The same product again, told to go elsewhere: it goes where it is.
  ASSERT_TRUE(Write(dest + "\\a.txt", "changed"));
  runQuietly(package, "/a /d:\"" + elsewhere + "\"");
  EXPECT_EQ(Read(dest + "\\a.txt"), "application\r\n");
  EXPECT_FALSE(Exists(elsewhere));
  EXPECT_EQ(Uninstall(product, "InstallLocation"), dest);
  EXPECT_EQ(SharedCount(sharedFile), 1);

  // Renamed, it is another product: the default directory, its own key,
  // and a second user of the shared file.
  runQuietly(package, "/a /n:\"E2E Auto Renamed\"");
  EXPECT_EQ(Read(defaultDir + "\\a.txt"), "application\r\n");
  EXPECT_EQ(Uninstall("E2E Auto Renamed", "DisplayName"), "E2E Auto Renamed");
  EXPECT_EQ(Uninstall("E2E Auto Renamed", "InstallLocation"), defaultDir);
  EXPECT_EQ(Uninstall(product, "InstallLocation"), dest);
  EXPECT_EQ(SharedCount(sharedFile), 2);
}

TEST_F(AutomaticInstall, EmptyAndRootedDefaultsAreMadeAbsolute) {
  const std::string programFiles = ProgramFiles();
  const struct {
    const char* product;
    const char* folder;
    const char* installDir;  // manifest value
    std::string expected;
  } cases[] = {
      {"E2E Auto Unnamed", "unnamed", "", programFiles + "\\E2E Auto Unnamed"},
      {"E2E Auto Rooted", "rooted", "\\\\E2E Auto Rooted", programFiles.substr(0, 2) + "\\E2E Auto Rooted"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.product);
    removeAtEnd(c.expected);
    source(c.folder, "f.txt", "file");
    const std::string package = build(c.folder, c.product,
                                      std::string("install-dir = \"") + c.installDir +
                                          "\"\n[[file]]\nsource = 'f.txt'\n");
    runQuietly(package, "/a");
    EXPECT_EQ(Read(c.expected + "\\f.txt"), "file");
  }
}

TEST_F(AutomaticInstall, NoReinstallIsRefusedEvenWithoutQuestions) {
  const std::string product = "E2E Auto Once";
  source("once", "a.txt", "first");
  const std::string package =
      build("once", product, "flags = ['RegisterUninstall', 'NoReinstall']\n[[file]]\nsource = 'a.txt'\n");
  const std::string dest = windowsPath(scratch_) + "\\once-dest";
  runQuietly(package, "/a /d:\"" + dest + "\"");
  ASSERT_EQ(Read(dest + "\\a.txt"), "first");

  ASSERT_TRUE(Write(dest + "\\a.txt", "kept"));
  start(commandLineFor(package, "/a"), package);
  const driver::Window box = expectBox(ErrorCaption);
  EXPECT_EQ(box.messageText(), "Already installed.");
  EXPECT_EQ(dismissAndWait(box), 1);
  EXPECT_EQ(Read(dest + "\\a.txt"), "kept");
}

}  // namespace
