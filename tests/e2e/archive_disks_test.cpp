// Packages from the builder, on one, two and three disks, read by the real
// program; a missing continuation file asked for until it is there; an
// empty one refused. The builder (tessapack) is the native one of the
// sibling build tree, run through Wine like any other program.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/e2e/e2e_fixture.h"

namespace {

const char RequestCaption[] = "Next disk";
const char QuestionCaption[] = "Question";
const char AbortQuestion[] = "Stop the installation?";

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) {
  return GetFileAttributesA(driver::windowsPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The native builder: $TESSAPACK, else the native tree next to this one.
std::string builderPath() {
  const char* given = getenv("TESSAPACK");
  return given != nullptr && given[0] != 0 ? given : BuildDirectory() + "/../native/pack/tessapack";
}

// Runs a Linux shell command and returns its exit status (-1 when it could
// not be started or did not end within a minute). Wine gives no handle to
// wait on for a Linux process, so the shell writes its status into a file
// (whole, by a rename) that is waited for.
long runLinux(const std::string& command, const std::string& statusPath) {
  DeleteFileA(driver::windowsPath(statusPath).c_str());
  std::string line = "/bin/sh -c \"" + command + "; echo $? > '" + statusPath + ".part' && mv '" + statusPath +
                     ".part' '" + statusPath + "'\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(driver::windowsPath("/bin/sh").c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    ADD_FAILURE() << "cannot start /bin/sh: error " << GetLastError();
    return -1;
  }
  if (info.hThread != nullptr) CloseHandle(info.hThread);
  if (info.hProcess != nullptr) CloseHandle(info.hProcess);
  for (DWORD waited = 0; waited < 60000; waited += 100) {
    if (exists(statusPath)) return atol(readFile(statusPath).c_str());
    Sleep(100);
  }
  return -1;
}

// Bytes that do not pack: the builder stores them at their size.
std::string noise(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 2463534242u;
  for (char& c : s) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x);
  }
  return s;
}

class ArchiveDisks : public EndToEnd {
 protected:
  // Builds a package in its own directory whose payload needs `disks` files
  // (the package and disks - 1 continuation files) and returns its path.
  std::string buildPackage(const std::string& name, int disks) {
    const std::string directory = scratchDirectory() + "/" + name;
    CreateDirectoryA(driver::windowsPath(directory).c_str(), nullptr);
    const std::string builder = builderPath();
    if (!exists(builder)) {
      ADD_FAILURE() << "the native builder is missing at " << builder << " (make native builds it)";
      return "";
    }
    // Every file holds the program, the header and at most diskSize - stub
    // bytes of payload: a little under 60000 bytes of payload fit in the
    // package, diskSize in each continuation file.
    const size_t stub = readFile(ProgramPath()).size();
    const size_t diskSize = stub + 60000;
    const size_t data = disks == 1 ? 75000 : 75000 + static_cast<size_t>(disks - 2) * diskSize;
    writeFile(directory + "/data.bin", noise(data));
    writeFile(directory + "/notes.txt", "notes\r\n");
    writeFile(directory + "/setup.toml",
              "[package]\ndisk-size = " + std::to_string(disks == 1 ? 0 : diskSize) +
                  "\n[product]\nname = 'Disk Test'\npublisher = 'Tessaform Tests'\nflags = ['VerifyChecksums']\n"
                  "[appearance]\ntitle-color = '#FFFFFF'\ntop-color = '#102030'\nbottom-color = '#000000'\n"
                  "[[language]]\nname = 'English'\n[language.messages]\n"
                  "insert-disk = 'Insert disk %d in drive %c:'\ninsert-disk-caption = '" +
                  RequestCaption + "'\nconfirm-abort = '" + AbortQuestion + "'\nquestion-caption = '" +
                  QuestionCaption +
                  "'\n[[language]]\nname = 'Deutsch'\n"
                  "[[file]]\nsource = 'data.bin'\n[[file]]\nsource = 'notes.txt'\n");
    const std::string package = directory + "/setup.exe";
    const std::string command = "'" + builder + "' build --stub='" + ProgramPath() + "' -o '" + package + "' '" +
                                directory + "/setup.toml'";
    EXPECT_EQ(runLinux(command, directory + "/tessapack.status"), 0) << command;
    for (int n = 2; n <= disks + 1; ++n) {
      EXPECT_EQ(exists(directory + "/Disk" + std::to_string(n) + ".SEA"), n <= disks) << "Disk" << n;
    }
    return package;
  }

  // In automatic mode: the two languages ask no question. The product goes
  // beside the package.
  void startPackage(const std::string& package) {
    const std::string dest = driver::windowsPath(package.substr(0, package.rfind('/'))) + "\\installed";
    start(commandLineFor(package, "/a /d:\"" + dest + "\""), package);
  }

  void expectReadQuietly(const std::string& package) {
    startPackage(package);
    EXPECT_EQ(waitForExit(), 1);
  }
};

TEST_F(ArchiveDisks, BuilderPackagesAreReadFromEveryDisk) {
  for (int disks : {1, 2, 3}) {
    SCOPED_TRACE(std::to_string(disks) + " disks");
    const std::string package = buildPackage("disks" + std::to_string(disks), disks);
    if (package.empty()) return;
    expectReadQuietly(package);
    captureFailureAndEnd();
  }
}

TEST_F(ArchiveDisks, MissingDiskIsAskedForUntilItIsThere) {
  const std::string package = buildPackage("missing", 2);
  if (package.empty()) return;
  const std::string disk = package.substr(0, package.rfind('/')) + "/Disk2.SEA";
  ASSERT_TRUE(MoveFileExA(driver::windowsPath(disk).c_str(), driver::windowsPath(disk + ".away").c_str(),
                          MOVEFILE_REPLACE_EXISTING));
  startPackage(package);

  driver::Window request = expectBox(RequestCaption);
  EXPECT_EQ(request.messageText(), "Insert disk 2 in drive Z:");
  ASSERT_TRUE(driver::clickControl(request.handle, IDCANCEL));
  driver::Window question = expectBox(QuestionCaption);
  EXPECT_EQ(question.messageText(), AbortQuestion);
  ASSERT_TRUE(driver::clickControl(question.handle, IDNO));

  request = expectBox(RequestCaption);
  ASSERT_TRUE(MoveFileA(driver::windowsPath(disk + ".away").c_str(), driver::windowsPath(disk).c_str()));
  ASSERT_TRUE(driver::clickControl(request.handle, IDOK));
  EXPECT_EQ(waitForExit(), 1);
}

TEST_F(ArchiveDisks, GivingUpAtTheRequestEndsTheProgram) {
  const std::string package = buildPackage("given-up", 2);
  if (package.empty()) return;
  DeleteFileA(driver::windowsPath(package.substr(0, package.rfind('/')) + "/Disk2.SEA").c_str());
  startPackage(package);
  driver::Window request = expectBox(RequestCaption);
  ASSERT_TRUE(driver::clickControl(request.handle, IDCANCEL));
  EXPECT_EQ(dismissAndWait(expectBox(QuestionCaption), IDYES), 1);
}

TEST_F(ArchiveDisks, EmptyDiskIsFatal) {
  const std::string package = buildPackage("empty", 2);
  if (package.empty()) return;
  const std::string disk = package.substr(0, package.rfind('/')) + "/Disk2.SEA";
  writeFile(disk, "");
  startPackage(package);
  driver::Window box = expectBox(FatalCaption);
  EXPECT_EQ(box.messageText(), "The file " + driver::windowsPath(disk) + " is empty.");
  EXPECT_EQ(dismissAndWait(box), 1);
}

}  // namespace
