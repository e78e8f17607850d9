#include "tests/e2e/e2e_fixture.h"

#include <cstdio>

std::string BuildDirectory() { return TESSA_BINARY_DIR; }
std::string ProgramPath() { return TESSA_PROGRAM_PATH; }

namespace {

std::string testName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "." + info->name();
}

void makeDirectory(const std::string& linuxPath) {
  std::string path = driver::windowsPath(linuxPath);
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  }
}

}  // namespace

void EndToEnd::TearDown() { captureFailureAndEnd(); }

void EndToEnd::captureFailureAndEnd() {
  captureFailure();
  program_.terminate();
}

void EndToEnd::captureFailure() {
  if (HasFailure() && program_.running() && !captured_) {
    captured_ = true;
    // Next to CTest's LastTest.log.
    std::string directory = BuildDirectory() + "/Testing/Temporary";
    makeDirectory(directory);
    std::string shot = directory + "/" + testName() + ".png";
    if (driver::saveScreenshot(shot)) {
      std::printf("screenshot of the failure: %s\n", shot.c_str());
    } else {
      std::printf("no screenshot could be taken for %s\n", testName().c_str());
    }
  }
}

void EndToEnd::start(const std::string& commandLine, const std::string& executable) {
  ASSERT_TRUE(program_.start(driver::windowsPath(executable), commandLine)) << program_.error();
}

driver::Window EndToEnd::expectBox(const std::string& caption) {
  HWND box = program_.waitForWindow({caption, DialogClass}, WindowTimeoutMs);
  if (box == nullptr) {
    std::string seen;
    for (HWND w : program_.topLevelWindows()) seen += driver::readWindow(w).describe();
    ADD_FAILURE() << "no box \"" << caption << "\" appeared; windows: " << seen;
    return driver::Window();
  }
  std::vector<HWND> expected = {box};
  HWND background = program_.waitForWindow({"", "SEA Window Classs"}, 0);
  if (background != nullptr) expected.push_back(background);
  // The progress dialog stays open behind the boxes of reading and extraction.
  for (HWND w : program_.topLevelWindows()) {
    for (const driver::Control& c : driver::readWindow(w).controls) {
      if (c.className == "msctls_progress32") expected.push_back(w);
    }
  }
  for (const driver::Window& w : program_.unexpectedWindows(expected)) {
    ADD_FAILURE() << "unexpected " << w.describe();
  }
  return driver::readWindow(box);
}

long EndToEnd::dismissAndWait(const driver::Window& box, int buttonId) {
  if (box.handle == nullptr) return -1;
  captureFailure();
  EXPECT_TRUE(driver::clickControl(box.handle, buttonId)) << box.describe();
  return waitForExit();
}

long EndToEnd::waitForExit() {
  DWORD code = 0;
  if (!program_.waitForExit(ExitTimeoutMs, &code)) {
    ADD_FAILURE() << "the program did not end";
    return -1;
  }
  return static_cast<long>(code);
}

std::string EndToEnd::commandLineFor(const std::string& executable, const std::string& arguments) {
  std::string line = "\"" + driver::windowsPath(executable) + "\"";
  if (!arguments.empty()) line += " " + arguments;
  return line;
}

std::string EndToEnd::scratchDirectory() {
  std::string directory = BuildDirectory() + "/e2e-scratch/" + testName();
  makeDirectory(directory);
  return directory;
}
