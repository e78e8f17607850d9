// The tessapack command line: what a vendor does with it, from building a
// package to taking it apart again.
#include <gtest/gtest.h>

#include "pack/archive_writer.h"
#include "pack/file_io.h"
#include "pack/package_reader.h"
#include "pack/stub_location.h"
#include "tool_test_support.h"

namespace {

constexpr int64_t SourceTime = 1700000000;  // 2023-11-14 22:13:20 UTC

// A scratch project: a stub, sources with known times, and a manifest.
class Project {
 public:
  explicit Project(const std::string& extraManifest = "") {
    writeFile(dir / "stub.bin", "MZ fake installer program");
    writeFile(dir / "src/app.exe", std::string(5000, 'A') + "app");
    writeFile(dir / "src/docs/readme.txt", "read me\n");
    writeFile(dir / "src/docs/empty.txt", "");
    writeFile(dir / "fonts/tessa.ttf", "font data");
    for (const char* f : {"src/app.exe", "src/docs/readme.txt", "src/docs/empty.txt", "fonts/tessa.ttf"})
      setFileModificationTime(dir / f, SourceTime);
    writeFile(dir / "demo.toml", std::string("[package]\nstub = \"stub.bin\"\n") + extraManifest +
                                     "\n[product]\nname = \"Tessa Demo\"\nflags = [\"RegisterUninstall\"]\n"
                                     "[[file]]\nsource = \"src\"\n"
                                     "[[file]]\nsource = \"fonts/tessa.ttf\"\nkind = \"font\"\n"
                                     "font-name = \"Tessa Sans\"\n");
  }

  RunResult build(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"build", dir / "demo.toml", "-o", dir / "out/demo.exe"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::filesystem::create_directories(dir / "out");
    return tessapack(args);
  }

  ScratchDirectory dir;
};

TEST(TessapackTest, BuildVerifyListAndExtractGiveTheSourcesBack) {
  Project project;
  const RunResult built = project.build();
  ASSERT_EQ(built.status, ExitSuccess) << built.err;
  EXPECT_EQ(built.out + built.err, "") << "a build is quiet";

  const std::string package = project.dir / "out/demo.exe";
  const RunResult verified = tessapack({"verify", package});
  EXPECT_EQ(verified.status, ExitSuccess) << verified.err;
  EXPECT_TRUE(contains(verified.out, "OK (4 files"));
  EXPECT_EQ(tessapack({"verify", "-q", package}).out, "");

  EXPECT_EQ(tessapack({"list", package}).out, "app.exe\ndocs\\empty.txt\ndocs\\readme.txt\ntessa.ttf\n");

  const RunResult extracted = tessapack({"extract", package, project.dir / "x"});
  ASSERT_EQ(extracted.status, ExitSuccess) << extracted.err;
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"src/app.exe", "x/app.exe"},
           {"src/docs/readme.txt", "x/docs/readme.txt"},
           {"src/docs/empty.txt", "x/docs/empty.txt"},
           {"fonts/tessa.ttf", "x/fonts/tessa.ttf"}}) {
    EXPECT_EQ(readFile(project.dir / to), readFile(project.dir / from)) << to;
    EXPECT_EQ(fileModificationTime(project.dir / to), SourceTime) << to;
  }
}

TEST(TessapackTest, SameManifestAndSourcesGiveTheSameBytes) {
  Project project;
  ASSERT_EQ(project.build().status, ExitSuccess);
  const std::string first = readFile(project.dir / "out/demo.exe");
  ASSERT_EQ(project.build({"-o", project.dir / "out/again.exe"}).status, ExitSuccess);
  EXPECT_EQ(readFile(project.dir / "out/again.exe"), first);
}

TEST(TessapackTest, InfoShowsHeaderFlagsLanguagesAndFiles) {
  Project project("time-zone = \"+01:00\"");
  ASSERT_EQ(project.build().status, ExitSuccess);
  const RunResult info = tessapack({"info", "--messages", project.dir / "out/demo.exe"});
  ASSERT_EQ(info.status, ExitSuccess) << info.err;
  EXPECT_TRUE(contains(info.out, "Flags:              0x00000024 RegisterUninstall PackedPayload"));
  EXPECT_TRUE(contains(info.out, "Product name:       Tessa Demo"));
  EXPECT_TRUE(contains(info.out, "Languages:          English"));
  EXPECT_TRUE(contains(info.out, "Messages:           60"));
  EXPECT_TRUE(contains(info.out, "font    always"));
  EXPECT_TRUE(contains(info.out, "2023-11-14 23:13:20  tessa.ttf  [Tessa Sans]")) << info.out;
  EXPECT_TRUE(contains(info.out, "  19 English: Installing <product> needs %s of disk space"));
}

TEST(TessapackTest, DiskSizeSplitsAndVerifyNamesAMissingDisk) {
  // The program and the header take about 1,800 bytes of the first 2,000.
  Project project("compression = false\ndisk-size = 2000");
  const RunResult built = project.build();
  ASSERT_EQ(built.status, ExitSuccess) << built.err;
  const std::string package = project.dir / "out/demo.exe";
  for (const char* name : {"demo.exe", "Disk2.SEA", "Disk3.SEA"})
    EXPECT_EQ(readFile(project.dir / "out/" + name).size(), 2000u) << name;
  ASSERT_TRUE(isRegularFile(project.dir / "out/Disk4.SEA"));
  EXPECT_FALSE(isRegularFile(project.dir / "out/Disk5.SEA"));
  EXPECT_EQ(tessapack({"verify", package}).status, ExitSuccess);
  const RunResult extracted = tessapack({"extract", package, project.dir / "x"});
  EXPECT_EQ(extracted.status, ExitSuccess) << extracted.err;
  EXPECT_EQ(readFile(project.dir / "x/app.exe"), readFile(project.dir / "src/app.exe"));

  std::filesystem::remove(project.dir / "out/Disk3.SEA");
  const RunResult verified = tessapack({"verify", package});
  EXPECT_EQ(verified.status, ExitFailure);
  EXPECT_TRUE(contains(verified.err, "FAILED payload part Disk3.SEA: it is missing or empty")) << verified.err;
}

TEST(TessapackTest, DamagedPackagesFailVerifyAndAreNotExtracted) {
  Project project;
  ASSERT_EQ(project.build().status, ExitSuccess);
  const std::string package = project.dir / "out/demo.exe";
  std::string bytes = readFile(package);
  bytes[bytes.size() - 20] ^= 1;
  writeFile(package, bytes);
  const RunResult verified = tessapack({"verify", package});
  EXPECT_EQ(verified.status, ExitFailure);
  EXPECT_TRUE(contains(verified.err, "FAILED payload checksum")) << verified.err;
  EXPECT_EQ(tessapack({"extract", package, project.dir / "x"}).status, ExitFailure);
  EXPECT_FALSE(std::filesystem::exists(project.dir / "x/app.exe"));

  writeFile(project.dir / "plain.txt", "not a package");
  const RunResult info = tessapack({"info", project.dir / "plain.txt"});
  EXPECT_EQ(info.status, ExitFailure);
  EXPECT_TRUE(contains(info.err, "not a readable package: trailer")) << info.err;
}

TEST(TessapackTest, ExtractKeepsExistingFilesUnlessForced) {
  Project project;
  ASSERT_EQ(project.build().status, ExitSuccess);
  writeFile(project.dir / "x/docs/readme.txt", "mine");
  const RunResult refused = tessapack({"extract", project.dir / "out/demo.exe", project.dir / "x"});
  EXPECT_EQ(refused.status, ExitFailure);
  EXPECT_TRUE(contains(refused.err, "exists already"));
  EXPECT_EQ(readFile(project.dir / "x/docs/readme.txt"), "mine");
  EXPECT_FALSE(std::filesystem::exists(project.dir / "x/app.exe")) << "nothing is extracted";
  EXPECT_EQ(tessapack({"extract", "--force", project.dir / "out/demo.exe", project.dir / "x"}).status, ExitSuccess);
  EXPECT_EQ(readFile(project.dir / "x/docs/readme.txt"), "read me\n");
}

TEST(TessapackTest, FailedBuildLeavesNothingAtTheOutput) {
  Project project;
  writeFile(project.dir / "bad.toml", "[package]\nstub = \"stub.bin\"\n[product]\nname = \"x\"\n"
                                      "[[file]]\nsource = \"src\"\n[[file]]\nsource = \"nowhere.dll\"\n");
  const RunResult fresh = tessapack({"build", project.dir / "bad.toml", "-o", project.dir / "new.exe"});
  EXPECT_EQ(fresh.status, ExitFailure);
  EXPECT_TRUE(contains(fresh.err, "bad.toml:8:10: the source \"nowhere.dll\" does not exist")) << fresh.err;
  EXPECT_FALSE(std::filesystem::exists(project.dir / "new.exe"));

  // A stub that cannot be read: the earlier package stays as it was.
  writeFile(project.dir / "old.exe", "earlier package");
  const RunResult noStub =
      tessapack({"build", project.dir / "demo.toml", "--stub", project.dir / "none.bin", "-o", project.dir / "old.exe"});
  EXPECT_EQ(noStub.status, ExitFailure);
  EXPECT_TRUE(contains(noStub.err, "none.bin: no such file")) << noStub.err;
  EXPECT_EQ(readFile(project.dir / "old.exe"), "earlier package");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(project.dir.path()))
    EXPECT_FALSE(contains(entry.path().string(), ".partial")) << entry.path();
}

// Without --stub and [package] stub, the installer program installed with
// tessapack is used: beside it (Windows) or in ../share/tessaform (Unix);
// the explicit choices still win, and --version names what a build takes.
TEST(TessapackTest, BuildFindsTheInstalledStubUnlessOneIsNamed) {
  Project project;
  std::string manifest = readFile(project.dir / "demo.toml");
  manifest.replace(manifest.find("stub = \"stub.bin\"\n"), 18, "");
  writeFile(project.dir / "nostub.toml", manifest);
  writeFile(project.dir / "unix/share/tessaform/tessaform.exe", "MZ installed in share");
  writeFile(project.dir / "windows/tessaform.exe", "MZ installed beside");
  writeFile(project.dir / "windows/share/tessaform/tessaform.exe", "MZ not taken: beside comes first");

  struct Case {
    const char* program;  // the running tessapack, below the scratch directory
    const char* manifest;
    std::vector<std::string> extra;
    const char* stub;  // whose bytes start the package; "" for a failed build
  };
  const std::vector<Case> cases = {
      {"unix/bin/tessapack", "nostub.toml", {}, "unix/share/tessaform/tessaform.exe"},
      {"windows/tessapack.exe", "nostub.toml", {}, "windows/tessaform.exe"},
      {"unix/bin/tessapack", "demo.toml", {}, "stub.bin"},
      {"unix/bin/tessapack", "demo.toml", {"--stub", project.dir / "windows/tessaform.exe"}, "windows/tessaform.exe"},
      {"unix/bin/tessapack", "nostub.toml", {"--stub", project.dir / "stub.bin"}, "stub.bin"},
      {"lonely/tessapack", "nostub.toml", {}, ""},
  };
  for (const Case& c : cases) {
    const std::string program = project.dir / c.program;
    std::vector<std::string> args = {"build", project.dir / c.manifest, "-o", project.dir / "out.exe"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    std::filesystem::remove(project.dir / "out.exe");
    std::ostringstream out, err;
    const int status = RunTessapack(args, out, err, program);
    if (std::string(c.stub).empty()) {
      EXPECT_EQ(status, ExitFailure) << c.program;
      EXPECT_TRUE(contains(err.str(), "no installer program: give --stub FILE or [package] stub")) << err.str();
      EXPECT_TRUE(contains(err.str(), project.dir / "lonely/tessaform.exe")) << err.str();
      continue;
    }
    ASSERT_EQ(status, ExitSuccess) << c.program << " " << c.manifest << ": " << err.str();
    EXPECT_EQ(readFile(project.dir / "out.exe").rfind(readFile(project.dir / c.stub), 0), 0u)
        << c.program << " " << c.manifest << " should start with " << c.stub;
  }

  std::ostringstream out, err;
  ASSERT_EQ(RunTessapack({"--version"}, out, err, project.dir / "unix/bin/tessapack"), ExitSuccess);
  EXPECT_TRUE(contains(out.str(), "Installer program: " + project.dir / "unix/share/tessaform/tessaform.exe" +
                                      " (21 bytes)")) << out.str();
  std::ostringstream none;
  RunTessapack({"--version"}, none, err, project.dir / "lonely/tessapack");
  EXPECT_TRUE(contains(none.str(), "Installer program: none installed")) << none.str();
}

TEST(TessapackTest, HelpAndCommandLineErrors) {
  const RunResult help = tessapack({"--help"});
  EXPECT_EQ(help.status, ExitSuccess);
  EXPECT_TRUE(contains(help.out, "Usage: tessapack COMMAND"));
  for (const char* command : {"build", "info", "list", "verify", "extract"}) {
    const RunResult own = tessapack({command, "--help"});
    EXPECT_EQ(own.status, ExitSuccess);
    EXPECT_TRUE(contains(own.out, std::string("Usage: tessapack ") + command)) << command;
    EXPECT_EQ(tessapack({"help", command}).out, own.out);
  }
  EXPECT_TRUE(contains(tessapack({"--version"}).out, "tessapack"));

  const std::vector<std::pair<std::vector<std::string>, std::string>> wrong = {
      {{}, "missing command"},
      {{"pack"}, "unknown command 'pack'"},
      {{"verify"}, "give one PACKAGE"},
      {{"extract", "a.exe"}, "give a PACKAGE and a DIR"},
      {{"build", "--stub"}, "option --stub needs a value"},
      {{"build", "--bogus", "m.toml"}, "unknown option --bogus"},
      {{"build", "--level=slow", "m.toml"}, "the level is fast or best"},
      {{"extract", "--time-zone=mars", "a.exe", "d"}, "the time zone must be"},
  };
  for (const auto& [args, message] : wrong) {
    const RunResult r = tessapack(args);
    EXPECT_EQ(r.status, ExitUsage) << message;
    EXPECT_TRUE(contains(r.err, message)) << r.err;
  }
}

TEST(TessapackTest, ExtractRefusesNamesThatClimbOut) {
  // A package made by hand, since the builder never writes such a name.
  ScratchDirectory dir;
  Package package;
  package.header.languages = {"English"};
  package.header.messages = {{"title"}};
  PackageFile evil;
  evil.name = "..\\outside.txt";
  evil.data = {'x'};
  package.files = {evil};
  writeFile(dir / "evil.exe", "");
  const ArchiveImage image = WriteArchive({'M', 'Z'}, package, {});
  writeWholeFile(dir / "evil.exe", image.package);
  const RunResult r = tessapack({"extract", dir / "evil.exe", dir / "x"});
  EXPECT_EQ(r.status, ExitFailure);
  EXPECT_TRUE(contains(r.err, "installer would report corrupt-archive code 70")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "outside.txt"));
}

}  // namespace
