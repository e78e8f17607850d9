// Installations that meet faults: the destination drive fills up during the
// extraction, a continuation disk is damaged or given up, the installer is
// killed in the middle and run again, paths grow past 260 characters and
// names hold letters of the code page's upper half. Each run must end
// normally with the right report, and whatever it wrote must stay removable
// by its uninstaller.
#include "tests/e2e/install_e2e.h"

namespace {

using namespace install_e2e;

const char CouldNotWrite[] = "Could not write";
const char NotCreated[] = "Could not create";
// Message overrides: the write and directory failures (31, 25) and the
// corrupt-package report (13).
const char FaultMessages[] =
    "31 = \"Could not write\"\n25 = \"Could not create\"\n13 = \"Damaged package: code %d.\"\n";

std::string noise(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5, c = static_cast<char>(seed);
  return s;
}

// Every file below `directory`, as paths relative to it.
std::vector<std::string> filesBelow(const std::string& directory) {
  std::vector<std::string> out;
  WalkDirectory(directory, [&](const std::string& path, const WIN32_FIND_DATAA& found) {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(path.substr(directory.size() + 1));
    return true;
  });
  return out;
}

class FaultyInstall : public Installing {
 protected:
  // Removes the product with its stored quiet command and waits until the
  // self-removal batch is done.
  void removeQuietly(const std::string& product, const std::string& dest) {
    const std::string command = Uninstall(product, "QuietUninstallString");
    ASSERT_NE(command, "<none>");
    ASSERT_TRUE(program_.start("", command)) << program_.error();
    EXPECT_EQ(waitForExit(), 1);
    for (DWORD waited = 0; waited < 20000 && (Exists("C:\\delunins.bat") || Exists(dest)); waited += 50) Sleep(50);
    EXPECT_FALSE(Exists(dest)) << "left: " << ::testing::PrintToString(filesBelow(dest));
    EXPECT_EQ(Uninstall(product, "DisplayName"), "<none>");
  }

};

// The drive holds the first file but not the second: the second fails with
// its line and leaves nothing that takes the space, the files after it are
// written, the log and the uninstall record are complete, and the
// uninstaller takes everything away.
TEST_F(FaultyInstall, FullDriveFailsTheFilesThatDoNotFitAndGoesOn) {
  const std::string product = "E2E Full Drive";
  source("full", "1.bin", noise(300 * 1024, 1));
  source("full", "2.bin", noise(1200 * 1024, 2));
  source("full", "3.bin", noise(200 * 1024, 3));
  source("full", "4.txt", "four");
  const std::string package = buildWithMessages(
      "full", product,
      "flags = ['RegisterUninstall', 'QuietUninstall']\n[package]\ncompression = false\n"
      "[[file]]\nsource = '1.bin'\n[[file]]\nsource = '2.bin'\n[[file]]\nsource = '3.bin'\nto = 'sub/'\n"
      "[[file]]\nsource = '4.txt'\n",
      FaultMessages);
  const char drive = mountSmallDrive(1024);
  if (drive == 0) GTEST_SKIP() << "mount is not allowed here";
  const std::string dest = std::string(1, drive) + ":\\Full";
  runQuietly(package, "/a /d:\"" + dest + "\"");

  EXPECT_TRUE(Read(dest + "\\1.bin") == noise(300 * 1024, 1));
  EXPECT_FALSE(Exists(dest + "\\2.bin")) << "a partial file stays";
  EXPECT_TRUE(Read(dest + "\\sub\\3.bin") == noise(200 * 1024, 3));
  EXPECT_EQ(Read(dest + "\\4.txt"), "four");
  const std::string log = Read(dest + "\\Install.LOG");
  EXPECT_NE(log.find(std::string(CouldNotWrite) + " " + dest + "\\2.bin\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find(std::string(CouldNotWrite) + " " + dest + "\\sub"), std::string::npos) << log;
  const std::string list = Read(dest + "\\Uninstall.DAT");
  for (const char* name : {"\\1.bin", "\\2.bin", "\\sub\\3.bin", "\\4.txt"})
    EXPECT_NE(list.find(dest + name + "\r\n"), std::string::npos) << name << " is not listed:\n" << list;
  removeQuietly(product, dest);
}

// A continuation disk with one byte changed ends with code 55; a missing
// one given up (Cancel, then Yes) ends the run. Neither writes a file.
TEST_F(FaultyInstall, DamagedOrGivenUpDiskWritesNothing) {
  const std::string product = "E2E Faulty Disk";
  source("disk", "data.bin", noise(90000, 4));
  const size_t programSize = ui_e2e::ReadFile(ProgramPath()).size();
  const std::string package = buildWithMessages(
      "disk", product,
      "flags = ['RegisterUninstall']\n[package]\ncompression = false\ndisk-size = " +
          std::to_string(programSize + 30000) + "\n[[file]]\nsource = 'data.bin'\n",
      FaultMessages);
  const std::string disk = windowsPath(scratch_) + "\\disk\\Disk2.SEA";
  const std::string sound = Read(disk);
  ASSERT_GT(sound.size(), 1000u);
  std::string damaged = sound;
  damaged[damaged.size() / 2] ^= 0x20;

  const std::string dest = windowsPath(scratch_) + "\\disk-dest";
  removeAtEnd(dest);
  ASSERT_TRUE(Write(disk, damaged));
  start(commandLineFor(package, "/a /d:\"" + dest + "\""), package);
  const driver::Window fatal = expectBox(FatalCaption);
  EXPECT_EQ(fatal.messageText(), "Damaged package: code 55.");
  EXPECT_EQ(dismissAndWait(fatal), 1);
  EXPECT_EQ(filesBelow(dest), std::vector<std::string>());

  ASSERT_TRUE(DeleteFileA(disk.c_str()));
  start(commandLineFor(package, "/a /d:\"" + dest + "\""), package);
  const driver::Window request = next("Next disk");
  EXPECT_EQ(request.messageText(), "Insert disk 2 in Z:");
  const driver::Window stop = answer(request, IDCANCEL, QuestionCaption);
  EXPECT_EQ(stop.messageText(), "Stop?");
  EXPECT_EQ(dismissAndWait(stop, IDYES), 1);
  EXPECT_EQ(filesBelow(dest), std::vector<std::string>());
  EXPECT_EQ(Uninstall(product, "DisplayName"), "<none>");
}

// Killed once the first file is on the disk, the installation is run again:
// it completes, and the uninstaller then leaves nothing of it.
TEST_F(FaultyInstall, KilledInTheMiddleThenRunAgainCompletes) {
  const std::string product = "E2E Killed";
  const int files = 24;
  std::string manifest = "flags = ['RegisterUninstall', 'QuietUninstall']\n[package]\ncompression = false\n";
  for (int i = 1; i <= files; ++i) {
    const std::string name = "f" + std::to_string(100 + i) + ".bin";
    source("killed", name, noise(1 << 20, static_cast<uint32_t>(i)));
    manifest += "[[file]]\nsource = '" + name + "'\n";
  }
  const std::string package = buildWithMessages("killed", product, manifest, FaultMessages);
  const std::string dest = windowsPath(scratch_) + "\\killed-dest";
  removeAtEnd(dest);
  start(commandLineFor(package, "/a /d:\"" + dest + "\""), package);
  while (program_.running() && !Exists(dest + "\\f101.bin")) Sleep(1);
  const bool killedInTheMiddle = program_.running();
  program_.terminate();
  const size_t written = filesBelow(dest).size();
  if (!killedInTheMiddle || written >= static_cast<size_t>(files)) {
    printf("the installation ended before it could be killed\n");
  }
  EXPECT_EQ(Uninstall(product, "DisplayName"), "<none>") << "the record is written after the files";

  runQuietly(package, "/a /d:\"" + dest + "\"");
  for (int i = 1; i <= files; ++i) {
    const std::string name = "f" + std::to_string(100 + i) + ".bin";
    EXPECT_TRUE(Read(dest + "\\" + name) == noise(1 << 20, static_cast<uint32_t>(i))) << name;
  }
  removeQuietly(product, dest);
}

// Names beyond 260 characters are refused with their line and the run goes
// on; a destination beyond it is refused as a whole. Names with "Ä" and "Ü"
// are written and removed under their own names.
TEST_F(FaultyInstall, LongPathsAreRefusedAndUpperHalfNamesInstalled) {
  ASSERT_EQ(GetACP(), 1252u) << "the names below are Windows-1252 bytes";
  const std::string product = "E2E Long Names";
  const std::string deep(120, 'd');
  source("long", "short.txt", "short");
  source("long", "deep.txt", "deep");
  source("long", "apfel.txt", "apfel");
  const std::string package = buildWithMessages(
      "long", product,
      "flags = ['RegisterUninstall', 'QuietUninstall', 'AlwaysWriteLog']\n"
      "[[file]]\nsource = 'short.txt'\n[[file]]\nsource = 'deep.txt'\nto = '" +
          deep + "/" + deep + "/'\n[[file]]\nsource = 'apfel.txt'\nto = '\xC3\x9C" "ber/\xC3\x84pfel.txt'\n",
      FaultMessages);
  const std::string dest = windowsPath(scratch_) + "\\Ziel-\xC4";
  removeAtEnd(dest);
  ASSERT_LT(dest.size() + 1 + deep.size(), 250u) << "the first level must still fit";
  runQuietly(package, "/a /d:\"" + dest + "\"");
  EXPECT_EQ(Read(dest + "\\short.txt"), "short");
  EXPECT_EQ(Read(dest + "\\\xDC" "ber\\\xC4pfel.txt"), "apfel");
  const std::string log = Read(dest + "\\Install.LOG");
  const std::string deepFile = dest + "\\" + deep + "\\" + deep + "\\deep.txt";
  EXPECT_NE(log.find(std::string(CouldNotWrite) + " " + deepFile + "\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(std::string(NotCreated) + " " + dest + "\\" + deep + "\\" + deep + "\r\n"), std::string::npos)
      << log;
  removeQuietly(product, dest);

  const std::string tooLong = windowsPath(scratch_) + "\\" + std::string(200, 'x') + "\\" + std::string(100, 'y');
  removeAtEnd(windowsPath(scratch_) + "\\" + std::string(200, 'x'));
  start(commandLineFor(package, "/a /d:\"" + tooLong + "\""), package);
  const driver::Window fatal = expectBox(FatalCaption);
  EXPECT_EQ(fatal.messageText(), "Unable to create directory:\r\n" + tooLong);
  EXPECT_EQ(dismissAndWait(fatal), 1);
  EXPECT_EQ(Uninstall(product, "DisplayName"), "<none>");
}

}  // namespace
