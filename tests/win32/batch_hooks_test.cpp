// Batch hooks run through the real command interpreter, the PATH line of a
// scratch boot drive's "autoexec.bat", and the install log appended twice.
#include "setup/batch_hooks.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "archive/format.h"
#include "platform/filesys.h"
#include "setup/install_log.h"
#include "setup/portable/batch_text.h"
#include "setup/portable/reports.h"
#include "setup/read_archive.h"
#include "ui_test_support.h"

namespace {

std::string readText(const String& path) {
  String text;
  readWholeFile(path, text);
  return std::string(text.cStr(), text.length());
}

// A fresh directory below the temporary folder, removed afterwards.
class ScratchDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir_ = joinPath(temp, formatString("hooks%u", static_cast<unsigned>(GetCurrentProcessId())));
    deleteTree(dir_);
    ASSERT_TRUE(makeDirectories(dir_));
    char comspec[MAX_PATH];
    ExpandEnvironmentStringsA("%comspec%", comspec, MAX_PATH);
    CommandInterpreter = comspec;
  }
  void TearDown() override {
    AutomaticMode = false;
    InstallFlags = 0;
    deleteTree(dir_);
  }
  String path(const char* name) const { return joinPath(dir_, name); }

  String dir_;
};

using BatchHook = ScratchDirectory;

TEST_F(BatchHook, RunsWithItsEnvironmentAndLeavesNoFiles) {
  AutomaticMode = true;
  InstallFlags = HiddenBatch;
  // An unanswered PAUSE would hang the hidden hook: it must be dropped.
  const char* hook =
      "  @Pause \r\n"
      "echo %InstallDir%>env.txt\r\n"
      "echo %InstallDrive%>>env.txt\n"
      "echo %SharedDir%>>env.txt\r"
      "echo %InstallerFilename%>>env.txt\n\r"
      "echo %SystemDir%>>env.txt\r\n";
  EXPECT_TRUE(RunBatchHook(dir_, hook, "C:\\Shared"));
  const std::string expected = std::string(dir_.cStr()) + "\r\n" + std::string(1, dir_.charAt(0)) +
                               ":\r\nC:\\Shared\r\n" + moduleFileName().cStr() + "\r\n" + systemDirectory().cStr() +
                               "\r\n";
  EXPECT_EQ(readText(path("env.txt")), expected);
  EXPECT_FALSE(fileExists(path(LauncherFileName)));
  EXPECT_FALSE(fileExists(path(BodyFileName)));
  EXPECT_TRUE(RunBatchHook(dir_, " \r\n\t", ""));  // blank: nothing written
  EXPECT_FALSE(fileExists(path(LauncherFileName)));
  EXPECT_FALSE(RunBatchHook(path("missing"), "echo x", ""));
}

// A window with the caption of a finished DOS window, made by its own
// thread once `signal` exists, and run until it is closed.
class FinishedWindow {
 public:
  explicit FinishedWindow(const String& signal) {
    thread_ = std::thread([this, signal] {
      for (int i = 0; i < 500 && !fileExists(signal); ++i) Sleep(20);
      HWND window = CreateWindowA("STATIC", FinishedLauncherCaption, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FinishedWindow::procedure));
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    });
  }
  ~FinishedWindow() { thread_.join(); }
  bool closed() const { return closed_; }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_CLOSE) {
      reinterpret_cast<FinishedWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA))->closed_ = true;
      DestroyWindow(window);
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcA(window, message, w, l);
  }

  std::thread thread_;
  std::atomic<bool> closed_{false};
};

TEST_F(BatchHook, ClosesTheFinishedWindowOfAHookThatStaysOpen) {
  InstallFlags = HiddenBatch;
  {
    FinishedWindow window(path("started.txt"));
    // Runs until the test lets it go, long after the window was closed.
    EXPECT_TRUE(RunBatchHook(
        dir_, "echo s>started.txt\r\n:wait\r\nif not exist stop.txt goto wait\r\necho d>done.txt\r\n", ""));
    EXPECT_TRUE(window.closed());
    EXPECT_FALSE(fileExists(path("done.txt")));
  }
  writeWholeFile(path("stop.txt"), String("x"));
  for (int i = 0; i < 500 && !fileExists(path("done.txt")); ++i) Sleep(20);
  EXPECT_TRUE(fileExists(path("done.txt")));
  // The batch files stay while the interpreter holds them; let it finish.
  for (int i = 0; i < 250 && (fileExists(path(LauncherFileName)) || fileExists(path(BodyFileName))); ++i) {
    deleteFile(path(LauncherFileName));
    deleteFile(path(BodyFileName));
    Sleep(20);
  }
}

// The boot drive: the BootDir setting pointed at the scratch directory's
// drive, the root of the test's own Wine prefix (a drive letter mapped with
// DefineDosDevice is not seen by file opens under Wine). The setting and any
// "autoexec.bat" there are restored afterwards.
class BootDrive : public ScratchDirectory {
 protected:
  static constexpr char SetupKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

  void SetUp() override {
    ScratchDirectory::SetUp();
    root_ = driveRoot(dir_);
    ASSERT_FALSE(root_.isEmpty());
    hadAutoexec_ = readWholeFile(autoexecPath(), savedAutoexec_) || fileExists(autoexecPath());
    deleteFile(autoexecPath());
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, SetupKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
    DWORD size = sizeof saved_;
    hadValue_ = RegQueryValueExA(key_, "BootDir", nullptr, &savedType_, saved_, &size) == ERROR_SUCCESS;
    savedSize_ = size;
    RegSetValueExA(key_, "BootDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(root_.cStr()),
                   static_cast<DWORD>(root_.length() + 1));
  }
  void TearDown() override {
    if (hadValue_) {
      RegSetValueExA(key_, "BootDir", 0, savedType_, saved_, savedSize_);
    } else {
      RegDeleteValueA(key_, "BootDir");
    }
    RegCloseKey(key_);
    deleteFile(autoexecPath());
    if (hadAutoexec_) writeWholeFile(autoexecPath(), savedAutoexec_);
    ScratchDirectory::TearDown();
  }
  String autoexecPath() const { return joinPath(root_, "autoexec.bat"); }
  std::string autoexec() const { return readText(autoexecPath()); }
  void setAutoexec(const std::string& text) { writeWholeFile(autoexecPath(), String(text.c_str())); }

  String root_;
  bool hadAutoexec_ = false;
  String savedAutoexec_;
  HKEY key_ = nullptr;
  bool hadValue_ = false;
  DWORD savedType_ = REG_SZ;
  DWORD savedSize_ = 0;
  BYTE saved_[MAX_PATH] = {};
};

TEST_F(BootDrive, AutoexecPathLine) {
  const String product = path("Product Dir");
  ASSERT_TRUE(makeDirectories(product));
  const std::string line = std::string("PATH=%PATH%;") + shortPath(product).cStr();
  const std::string failure = std::string("Unable to modify ") + autoexecPath().cStr() +
                              ".  You will need to manually remove " + product.cStr() +
                              " from the PATH environment variable.\r\n\r\n";

  EXPECT_STREQ(EditAutoexecPath(product, false).cStr(), failure.c_str());  // missing: reported on remove
  EXPECT_STREQ(EditAutoexecPath(product, true).cStr(), "");                // created on add
  EXPECT_EQ(autoexec(), "\r\n" + line + "\r\n");
  setAutoexec("@ECHO OFF");
  EXPECT_STREQ(EditAutoexecPath(product, true).cStr(), "");
  EXPECT_STREQ(EditAutoexecPath(product, true).cStr(), "");
  EXPECT_EQ(autoexec(), "@ECHO OFF\r\n" + line + "\r\n");
  EXPECT_STREQ(EditAutoexecPath(product, false).cStr(), "");
  EXPECT_EQ(autoexec(), "@ECHO OFF\r\n");  // cut to the shorter text
  setAutoexec("REM\r\n" + line);
  EXPECT_STREQ(EditAutoexecPath(product, false).cStr(), "");
  EXPECT_EQ(autoexec(), "REM\r\n");
}

// The boxes the log shows, recorded; every question is answered No.
std::vector<std::string> Boxes;
int recordBox(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  Boxes.push_back(formatString("%s|%s|%u|%d", text, caption, style, owner == BackgroundWindow).cStr());
  return AnswerNo;
}
void ignoreDestroy(WindowHandle) {}
void ignoreEnd(int) {}
String noWindowsDirectory() { return String("C:\\WINDOWS"); }
const ReportPlatform Recorder = {recordBox, ignoreDestroy, ignoreEnd, noWindowsDirectory};

using InstallLog = ScratchDirectory;

TEST_F(InstallLog, AppendsOneEntryPerRunAndShowsTheOutcome) {
  ui_test::UseMessages({"English"});
  SetReportPlatform(&Recorder);
  BackgroundWindow = reinterpret_cast<WindowHandle>(0x1234);
  ProductName = "Tool";
  Header.uninstallSubdir = "Uninst";
  Header.displayVersion = "";
  const String log = path("Uninst\\Install.LOG");

  AutomaticMode = true;
  WriteInstallLog("", "", dir_, false, true);            // nothing to report: no log
  WriteInstallLog("Broken\r\n", "", dir_, false, true);  // directory missing: silently none
  EXPECT_FALSE(fileExists(log));
  ASSERT_TRUE(makeDirectories(path("Uninst")));

  AutomaticMode = false;
  WriteInstallLog("", "C:\\x.dll is up to date.\r\n", dir_, false, true);
  Header.displayVersion = "2.5";
  WriteInstallLog("Broken\r\n", "", dir_, true, true);
  SetReportPlatform(nullptr);
  BackgroundWindow = nullptr;

  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[0], "English text 42|English text 43|64|1");
  EXPECT_EQ(Boxes[1], "English text 40|English text 41|68|1");
  const std::string text = readText(log);
  const size_t second = text.find("\r\nInstallation log for: Tool", 2);
  ASSERT_NE(second, std::string::npos);
  const std::string first = text.substr(0, second);
  EXPECT_EQ(first.find("\r\nInstallation log for: Tool\r\nInstall date: "), 0u);
  EXPECT_NE(first.find("\r\nInstall type: New\r\nInstall location: " + std::string(dir_.cStr()) +
                       "\r\nInstaller version: 5.0\r\n\r\nC:\\x.dll is up to date.\r\n\r\nEnglish text 43\r\n\r\n"),
            std::string::npos);
  EXPECT_EQ(first.find("Product version"), std::string::npos);
  const std::string tail = "Install type: Reinstall\r\nInstall location: " + std::string(dir_.cStr()) +
                           "\r\nInstaller version: 5.0\r\nProduct version: 2.5\r\n\r\nBroken\r\n";
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

}  // namespace
