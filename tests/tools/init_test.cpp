// tessapack init: the starter project builds, verifies and names its
// product after the folder; a folder that holds anything is left alone.
#include <gtest/gtest.h>

#include "pack/init.h"
#include "tool_test_support.h"

namespace {

TEST(InitTest, StarterProjectBuildsAsItIs) {
  ScratchDirectory scratch;
  writeFile(scratch / "stub.bin", "MZ fake installer program");
  for (const std::string name : {"Acme Writer", "Tessa's Tool 2"}) {
    SCOPED_TRACE(name);
    const std::string dir = scratch / name;
    const RunResult init = tessapack({"init", dir});
    ASSERT_EQ(init.status, ExitSuccess) << init.err;
    EXPECT_TRUE(contains(init.out, "tessapack build " + dir + "/setup.toml")) << init.out;

    const std::string package = scratch / (name + ".exe");
    const RunResult built =
        tessapack({"build", dir + "/" + StarterManifestName, "--stub", scratch / "stub.bin", "-o", package});
    ASSERT_EQ(built.status, ExitSuccess) << built.err;
    EXPECT_EQ(tessapack({"verify", "-q", package}).status, ExitSuccess);
    EXPECT_EQ(tessapack({"list", package}).out, "Put your files here.txt\nReadMe.txt\n");
    const std::string info = tessapack({"info", "--messages", package}).out;
    for (const std::string& shown : std::vector<std::string>{"Product name:       " + name, "Install directory:  " + name, "RegisterUninstall", "AskDirectory",
          "Licence:", "0 English: " + name, "[" + name + " Read Me]"})
      EXPECT_TRUE(contains(info, shown)) << shown << "\n" << info;
  }
}

TEST(InitTest, RefusesWhatItCannotStartFrom) {
  ScratchDirectory scratch;
  writeFile(scratch / "taken/mine.txt", "the vendor's own");
  const RunResult taken = tessapack({"init", scratch / "taken"});
  EXPECT_EQ(taken.status, ExitFailure);
  EXPECT_TRUE(contains(taken.err, "not an empty folder")) << taken.err;
  EXPECT_EQ(readFile(scratch / "taken/mine.txt"), "the vendor's own");
  EXPECT_FALSE(std::filesystem::exists(scratch / "taken/setup.toml"));

  const RunResult badName = tessapack({"init", scratch / "a<b"});
  EXPECT_EQ(badName.status, ExitFailure);
  EXPECT_TRUE(contains(badName.err, "cannot be a Windows folder name")) << badName.err;
  EXPECT_FALSE(std::filesystem::exists(scratch / "a<b"));

  EXPECT_EQ(tessapack({"init"}).status, ExitUsage);
}

TEST(InitTest, NamesTheProductAfterTheFolderHoweverItIsWritten) {
  ScratchDirectory scratch;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::create_directories(scratch / "Here");
  std::filesystem::current_path(scratch / "Here");
  const RunResult here = tessapack({"init", "."});
  const RunResult slash = tessapack({"init", scratch / "Slash/"});
  std::filesystem::current_path(previous);
  EXPECT_TRUE(contains(here.out, "for \"Here\"")) << here.out << here.err;
  EXPECT_TRUE(contains(readFile(scratch / "Here/setup.toml"), "name = \"Here\""));
  EXPECT_TRUE(contains(slash.out, "for \"Slash\"")) << slash.out << slash.err;
}

}  // namespace
