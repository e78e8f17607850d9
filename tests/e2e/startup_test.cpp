// The program's start-up as a user meets it: the boxes for bad command lines,
// for a program without an archive and for a program that cannot open
// itself, each dismissed like a person would, and exit code 1 on every path.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/e2e/e2e_fixture.h"

namespace {


std::string usageText(const std::string& problem) {
  return problem +
         "\n\nUsage:\nUninstall.EXE [/a] [/d:<dir>] [/n:<name>] [/u:<name>]\n\n"
         "/a\tAutomatic mode\n/d:\"dir\"\tOverride installation directory\n"
         "/n:\"name\"\tOverride product name\n/u:\"name\"\tUninstall product by name";
}

// Copies tessaform.exe to `path` and overwrites its last four bytes (the
// trailer) with `trailer`, little-endian.
void copyWithTrailer(const std::string& path, uint32_t trailer) {
  std::ifstream in(ProgramPath(), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 4u);
  for (int i = 0; i < 4; ++i) bytes[bytes.size() - 4 + i] = static_cast<char>(trailer >> (8 * i));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

class Startup : public EndToEnd {
 protected:
  // Runs tessaform.exe with `arguments` and expects one fatal box with
  // `text`; dismisses it and expects exit code 1.
  void expectFatal(const std::string& arguments, const std::string& text) {
    SCOPED_TRACE("arguments: " + arguments);
    start(commandLineFor(ProgramPath(), arguments));
    driver::Window box = expectBox(FatalCaption);
    EXPECT_EQ(lineEnds(box.messageText()), lineEnds(text)) << box.describe();
    EXPECT_EQ(dismissAndWait(box), 1);
    captureFailureAndEnd();
  }
};

TEST_F(Startup, BadCommandLinesShowTheUsage) {
  expectFatal("setup.ini", usageText("Unexpected command line parameter:\nsetup.ini"));
  expectFatal("/a -AB", usageText("Illegal command line atom:\nAB"));
  expectFatal("/u", usageText("Product name required"));
}

TEST_F(Startup, ProgramWithoutArchiveExplainsItself) { expectFatal("", NoArchiveText); }

TEST_F(Startup, AcceptedSwitchesReachTheArchive) {
  // The missing archive is reported even in automatic mode.
  expectFatal("/a", NoArchiveText);
  expectFatal("-", NoArchiveText);
  expectFatal("/ /d:\"C:\\Some Dir\" /N:\"A Product\" -A", NoArchiveText);
}

TEST_F(Startup, AFirstTokenNamingAnotherFileCannotBeOpened) {
  start("\"C:\\nowhere\\missing\" /a");
  driver::Window box = expectBox(FatalCaption);
  EXPECT_EQ(box.messageText(),
            "Error code 1: The self-extracting archive could not open itself.  Filename:\n"
            "C:\\nowhere\\missing.EXE");
  EXPECT_EQ(dismissAndWait(box), 1);
}

TEST_F(Startup, QuotedNameWithBlankAndNoExtensionOpensTheExe) {
  std::string directory = scratchDirectory() + "/Setup Dir";
  CreateDirectoryA(driver::windowsPath(directory).c_str(), nullptr);
  std::string copy = directory + "/setup.EXE";
  ASSERT_TRUE(CopyFileA(driver::windowsPath(ProgramPath()).c_str(),
                        driver::windowsPath(copy).c_str(), FALSE));
  // The first token names the file without its extension.
  start("\"" + driver::windowsPath(directory + "/setup") + "\"", copy);
  driver::Window box = expectBox(FatalCaption);
  EXPECT_EQ(lineEnds(box.messageText()), lineEnds(NoArchiveText));
  EXPECT_EQ(dismissAndWait(box), 1);
}

TEST_F(Startup, TrailerOutsideTheFileIsCorrupt) {
  std::string directory = scratchDirectory();
  for (uint32_t trailer : {0xFFFFFFFCu, 0x7FFFFFF0u}) {
    SCOPED_TRACE(trailer);
    std::string copy = directory + "/trailer-" + std::to_string(trailer) + ".exe";
    copyWithTrailer(copy, trailer);
    start(commandLineFor(copy, ""), copy);
    driver::Window box = expectBox(FatalCaption);
    EXPECT_EQ(lineEnds(box.messageText()), lineEnds(corruptText(10)));
    EXPECT_EQ(dismissAndWait(box), 1);
    captureFailureAndEnd();
  }
}

TEST_F(Startup, RemovalOfAnUnknownProductReportsIt) {
  start(commandLineFor(ProgramPath(), "/u:\"Nothing Here\""));
  driver::Window box = expectBox("Error");
  EXPECT_EQ(box.messageText(), "No product named 'Nothing Here' is installed.");
  EXPECT_EQ(dismissAndWait(box), 1);
}

TEST_F(Startup, AutomaticRemovalShowsNothing) {
  start(commandLineFor(ProgramPath(), "/a /n:Gone /u"));
  EXPECT_EQ(waitForExit(), 1);
}

}  // namespace
