// Signed packages under the real program: a package signed with a
// throw-away certificate verifies, installs and removes itself exactly as
// the same package unsigned does, its "Uninstall.EXE" is the unsigned
// program without a signature; a payload byte changed breaks the signature
// and gets the corrupt-archive code of the unsigned package changed alike;
// a signed split package and one signed by the signer directly (padded
// before its table) install.
#include "tests/e2e/removal_e2e.h"

namespace {

using namespace removal_e2e;

uint32_t load32(const std::string& b, size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

// The program's security directory entry (offset, length), read from the
// PE header independently of the program's own reader.
std::pair<uint32_t, uint32_t> securityEntry(const std::string& b) {
  const size_t pe = load32(b, 0x3C);
  const size_t optional = pe + 24;
  const size_t directories = optional + ((load32(b, optional) & 0xFFFF) == 0x20B ? 112 : 96);
  return {load32(b, directories + 4 * 8), load32(b, directories + 4 * 8 + 4)};
}

// Where the payload starts: behind the prefix and the stored header block
// of the archive, whose trailer ends where the signature begins (the
// builder's signing leaves no padding).
size_t payloadStart(const std::string& b) {
  const auto entry = securityEntry(b);
  const size_t end = entry.second != 0 ? entry.first : b.size();
  const size_t h = load32(b, end - 4);
  return h + 12 + load32(b, h + 4);
}

// A snapshot difference without the times of installing, which differ
// between two runs: those of the files the program writes, and the
// product's InstallDate.
std::string withoutTimes(const std::string& difference) {
  std::string out;
  size_t at = 0;
  while (at < difference.size()) {
    size_t end = difference.find('\n', at);
    if (end == std::string::npos) end = difference.size();
    std::string line = difference.substr(at, end - at);
    if (line.compare(2, 5, "file ") == 0) line = line.substr(0, line.rfind(' '));
    if (line.find("\"InstallDate\"=") == std::string::npos) out += line + "\n";
    at = end + 1;
  }
  return out;
}

class SignedPackages : public Removing {
 protected:
  // Runs `script` in the scratch directory under Linux; its status.
  int onLinux(const std::string& script, std::string* output = nullptr) {
    return ui_e2e::RunLinuxScript(scratch_, "cd '" + scratch_ + "' && " + script, output);
  }
  std::string tessapack() const { return "'" + ui_e2e::TessapackPath() + "'"; }
  // A path below the scratch directory: as programs are started (Linux)
  // and as files are read (Windows).
  std::string linuxPath(const std::string& relative) const { return scratch_ + "/" + relative; }
  std::string file(const std::string& relative) const { return windowsPath(linuxPath(relative)); }
  static std::string signOptions() { return " --cert cert.pem --key key.pem"; }
  static std::string verifyCommand(const std::string& package) {
    return "osslsigncode verify -CAfile cert.pem -in " + package;
  }

  // Installs `package` quietly from one place (the product records where
  // it came from), then removes it through its stored command; returns what
  // the installation added (times left out) and the uninstaller's bytes,
  // and checks that the removal took it all away.
  std::pair<std::string, std::string> installAndRemove(const std::string& package, const std::string& product,
                                                       const Snapshot& before) {
    SCOPED_TRACE(package);
    CreateDirectoryA(file("run").c_str(), nullptr);
    EXPECT_TRUE(CopyFileA(windowsPath(package).c_str(), file("run/setup.exe").c_str(), FALSE));
    runQuietly(linuxPath("run/setup.exe"), "/a");
    const Snapshot installed = Snapshot::take(windowsPath(scratch_));
    const std::string uninstaller = ProgramFiles() + "\\" + product + "\\Uninstall\\Uninstall.EXE";
    const std::string program = Read(uninstaller);
    startStored(product, "UninstallString");
    EXPECT_EQ(waitForExit(), 1);
    EXPECT_TRUE(selfRemovalFinished(uninstaller));
    EXPECT_EQ(Snapshot::difference(before, Snapshot::take(windowsPath(scratch_))), "");
    return {withoutTimes(Snapshot::difference(before, installed)), program};
  }

  // Starts a package with one payload byte changed; the text of the box
  // that reports it.
  std::string tamperedReport(const std::string& package) {
    SCOPED_TRACE(package);
    start(commandLineFor(package, "/a"), package);
    driver::Window box = expectBox(FatalCaption);
    EXPECT_EQ(dismissAndWait(box), 1);
    captureFailureAndEnd();
    return box.messageText();
  }
};

TEST_F(SignedPackages, InstallAndRemoveAsUnsignedAndRejectTheSameDamage) {
  const std::string product = "E2E Signed";
  removeAtEnd(ProgramFiles() + "\\" + product);
  source("unsigned", "app.txt", "the program");
  source("unsigned/docs", "read.txt", "read me");
  std::string data(20000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7919 >> 5);
  source("unsigned", "data.bin", data);
  const std::string unsignedPackage =
      buildProduct("unsigned", product,
                   "install-dir = '" + product + "'\nuninstall-subdir = 'Uninstall'\n"
                   "flags = ['RegisterUninstall', 'QuietUninstall', 'VerifyChecksums']\n"
                   "[[file]]\nsource = 'app.txt'\nstart-menu-shortcut = true\n"
                   "[[file]]\nsource = 'docs'\nto = 'Docs'\n[[file]]\nsource = 'data.bin'\n");

  // A throw-away certificate; the same package signed by tessapack sign.
  std::string output;
  ASSERT_EQ(onLinux("openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 "
                  "-subj '/O=Tessaform Tests/CN=Tessa E2E Signer' -addext extendedKeyUsage=codeSigning && "
                  "mkdir -p signed && cp unsigned/setup.exe signed/setup.exe && " +
                      tessapack() + " sign signed/setup.exe" + signOptions() + " && " +
                      verifyCommand("signed/setup.exe") + " && " + tessapack() + " verify signed/setup.exe",
                  &output),
            0)
      << output;
  EXPECT_NE(output.find("signed by O=Tessaform Tests, CN=Tessa E2E Signer"), std::string::npos) << output;
  const std::string unsignedBytes = Read(file("unsigned/setup.exe"));
  const std::string signedBytes = Read(file("signed/setup.exe"));
  EXPECT_NE(securityEntry(signedBytes).second, 0u);
  EXPECT_EQ(securityEntry(unsignedBytes).second, 0u);

  // The shared-file counts' key, which Windows always has (a fresh prefix
  // gets it with the first installation).
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, SharedDllsKey, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  const Snapshot before = Snapshot::take(windowsPath(scratch_));
  const auto plain = installAndRemove(unsignedPackage, product, before);
  const auto withSignature = installAndRemove(linuxPath("signed/setup.exe"), product, before);
  EXPECT_EQ(withSignature.first, plain.first);
  EXPECT_NE(plain.first.find("\\Docs\\read.txt"), std::string::npos) << plain.first;
  // Both uninstallers are the unsigned program as the package holds it.
  const size_t h = load32(unsignedBytes, unsignedBytes.size() - 4);
  EXPECT_EQ(plain.second, unsignedBytes.substr(0, h));
  EXPECT_TRUE(withSignature.second == plain.second) << "Uninstall.EXE of the signed package differs";
  EXPECT_EQ(securityEntry(withSignature.second), std::make_pair(0u, 0u));

  // One payload byte changed in each: the signature breaks, and the program
  // reports the same code for both.
  CreateDirectoryA(file("tampered-unsigned").c_str(), nullptr);
  CreateDirectoryA(file("tampered-signed").c_str(), nullptr);
  std::string tamperedUnsigned = unsignedBytes, tamperedSigned = signedBytes;
  tamperedUnsigned[payloadStart(unsignedBytes) + 100] ^= 0x10;
  tamperedSigned[payloadStart(signedBytes) + 100] ^= 0x10;
  ASSERT_TRUE(Write(file("tampered-unsigned/setup.exe"), tamperedUnsigned));
  ASSERT_TRUE(Write(file("tampered-signed/setup.exe"), tamperedSigned));
  EXPECT_NE(onLinux(verifyCommand("tampered-signed/setup.exe"), &output), 0) << output;
  const std::string report = tamperedReport(linuxPath("tampered-unsigned/setup.exe"));
  EXPECT_NE(report.find("55"), std::string::npos) << report;
  EXPECT_EQ(tamperedReport(linuxPath("tampered-signed/setup.exe")), report);
}

TEST_F(SignedPackages, SplitAndPaddedSignedPackagesInstall) {
  const std::string product = "E2E Signed Disks";
  std::string data(90000, '\0');
  uint32_t x = 2463534242u;
  for (char& c : data) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x);
  }
  source("disks", "data.bin", data);
  source("disks", "note.txt", "note");
  const size_t program = Read(windowsPath(ProgramPath())).size();
  buildProduct(
      "disks", product,
      "flags = ['VerifyChecksums']\n[[file]]\nsource = 'data.bin'\n[[file]]\nsource = 'note.txt'\n");
  // Split over two files, signed by build --sign; and the same split package
  // signed by the signer directly, which pads to its 8-byte boundary when
  // the file's size asks for it.
  std::string output;
  const std::string split = "[package]\\ndisk-size = " + std::to_string(program + 60000) + "\\n";
  ASSERT_EQ(onLinux("openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 "
                  "-subj '/CN=Tessa E2E Signer' -addext extendedKeyUsage=codeSigning && "
                  "printf '" + split + "' | cat - disks/package.toml > disks/split.toml && "
                  "mkdir -p split direct && " +
                      tessapack() + " build --stub '" + ProgramPath() +
                      "' -o split/setup.exe disks/split.toml --sign" + signOptions() + " && " +
                      verifyCommand("split/setup.exe") + " && " + tessapack() + " build --stub '" + ProgramPath() +
                      "' -o direct/unsigned.exe disks/split.toml && cp split/Disk2.SEA direct/ && "
                      "osslsigncode sign -certs cert.pem -key key.pem -in direct/unsigned.exe -out direct/setup.exe && " +
                      tessapack() + " verify direct/setup.exe",
                  &output),
            0)
      << output;
  EXPECT_TRUE(Exists(file("split/Disk2.SEA")));
  EXPECT_FALSE(Exists(file("split/Disk3.SEA")));
  // The first file is full: disk-size bytes, the program's length (a
  // multiple of 512, and the 4-byte trailer of 0) plus 60000, so the signer
  // padded it by 4 bytes, and its trailer ends in zero bytes.
  EXPECT_EQ(Read(file("direct/unsigned.exe")).size() % 8, 4u);

  for (const char* folder : {"split", "direct"}) {
    SCOPED_TRACE(folder);
    const std::string destination = file(std::string(folder) + "/installed");
    runQuietly(linuxPath(std::string(folder) + "/setup.exe"), "/a /d:\"" + destination + "\"");
    EXPECT_TRUE(Read(destination + "\\data.bin") == data) << "data.bin";
    EXPECT_EQ(Read(destination + "\\note.txt"), "note");
  }
}

}  // namespace
