// The report routines: texts, captions, styles, owners and the one exit path,
// observed through a recording platform.
#include "setup/portable/reports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/fatal.h"

namespace {

struct ShownBox {
  WindowHandle owner;
  std::string text;
  std::string caption;
  unsigned style;
};

struct ProcessEnded {
  int exitCode;
};

std::vector<ShownBox> Shown;
std::vector<WindowHandle> Destroyed;
int Answer = AnswerOk;
// When set, showing a box raises a fatal report of its own.
bool FailInsideBox = false;

int recordBox(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  Shown.push_back({owner, text, caption, style});
  if (FailInsideBox) fatalText("failure inside the box");
  return Answer;
}
void recordDestroy(WindowHandle window) { Destroyed.push_back(window); }
void throwEnd(int exitCode) { throw ProcessEnded{exitCode}; }
String fakeWindowsDirectory() { return String("C:\\WINDOWS"); }

const ReportPlatform Recorder = {recordBox, recordDestroy, throwEnd, fakeWindowsDirectory};

WindowHandle fakeWindow(uintptr_t n) { return reinterpret_cast<WindowHandle>(n); }
const WindowHandle Background = fakeWindow(0x100);
const WindowHandle Progress = fakeWindow(0x200);

class Reports : public ::testing::Test {
 protected:
  void SetUp() override {
    Shown.clear();
    Destroyed.clear();
    Answer = AnswerOk;
    FailInsideBox = false;
    AutomaticMode = false;
    BackgroundWindow = Background;
    ProgressWindow = nullptr;
    SetReportPlatform(&Recorder);
    BindFatalReports();
  }
  void TearDown() override {
    setFatalReporter(nullptr);
    SetReportPlatform(nullptr);
    AutomaticMode = false;
    BackgroundWindow = nullptr;
    ProgressWindow = nullptr;
  }

  // Runs `action`, which must end the process; returns the exit code.
  template <class F>
  int exitCodeOf(F action) {
    try {
      action();
    } catch (const ProcessEnded& end) {
      return end.exitCode;
    }
    ADD_FAILURE() << "the process did not end";
    return -1;
  }
};

TEST_F(Reports, ExitProgramDestroysBothWindowsAndEndsWithOne) {
  ProgressWindow = Progress;
  EXPECT_EQ(exitCodeOf([] { ExitProgram(); }), 1);
  EXPECT_EQ(Destroyed, (std::vector<WindowHandle>{Background, Progress}));
  EXPECT_EQ(BackgroundWindow, nullptr);
  EXPECT_EQ(ProgressWindow, nullptr);
  EXPECT_TRUE(Shown.empty());

  // Nothing left to destroy: the process still ends with 1.
  Destroyed.clear();
  EXPECT_EQ(exitCodeOf([] { AbortProgram(); }), 1);
  EXPECT_TRUE(Destroyed.empty());
}

TEST_F(Reports, FatalBoxFormatsAndEndsEvenInAutomaticMode) {
  AutomaticMode = true;
  EXPECT_EQ(exitCodeOf([] { FatalBox("The file %s is empty.", String("D:\\Disk2.SEA")); }), 1);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].text, "The file D:\\Disk2.SEA is empty.");
  EXPECT_EQ(Shown[0].caption, "FATAL ERROR");
  EXPECT_EQ(Shown[0].style, 0x2010u);
  EXPECT_EQ(Shown[0].owner, Background);
  EXPECT_EQ(Destroyed.size(), 1u);
}

TEST_F(Reports, BoxesBelongToTheProgressDialogWhileItExists) {
  ProgressWindow = Progress;
  ErrorBox("first");
  EXPECT_EQ(exitCodeOf([] { FatalBox("second"); }), 1);
  BackgroundWindow = Background;
  ErrorBox("third");
  ASSERT_EQ(Shown.size(), 3u);
  EXPECT_EQ(Shown[0].owner, Progress);
  EXPECT_EQ(Shown[1].owner, Progress);
  EXPECT_EQ(Shown[2].owner, Background);
}

TEST_F(Reports, SequenceBoxesBelongToTheBackgroundWindowAlways) {
  ProgressWindow = Progress;
  Answer = AnswerCancel;
  EXPECT_EQ(ShowQuestionBox("Insert disk 2", "Disk", BoxOkCancel | BoxIconQuestion), AnswerCancel);
  ProgressWindow = nullptr;
  Answer = AnswerYes;
  EXPECT_EQ(ShowQuestionBox("Again?", "Question", BoxYesNo), AnswerYes);
  ASSERT_EQ(Shown.size(), 2u);
  EXPECT_EQ(Shown[0].owner, Background);
  EXPECT_EQ(Shown[0].text, "Insert disk 2");
  EXPECT_EQ(Shown[0].caption, "Disk");
  EXPECT_EQ(Shown[0].style, 0x21u);
  EXPECT_EQ(Shown[1].owner, Background);
}

TEST_F(Reports, ErrorBoxReturnsAndStaysSilentWhenItShould) {
  ErrorBox("Could not write %s: %d", "C:\\x", 5);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].text, "Could not write C:\\x: 5");
  EXPECT_EQ(Shown[0].caption, "Error");  // message 21 is empty before a table exists
  EXPECT_EQ(Shown[0].style, 0x10u);

  ErrorBox("");
  ErrorBox("%s", "");
  AutomaticMode = true;
  ErrorBox("not shown");
  EXPECT_EQ(Shown.size(), 1u);
  EXPECT_TRUE(Destroyed.empty());
}

TEST_F(Reports, CorruptArchiveUsesTheBuiltInTextWithoutATable) {
  EXPECT_EQ(exitCodeOf([] { CorruptArchive(20); }), 1);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].text,
            "This self-extracting archive is corrupt.  This is often caused by a virus on your "
            "computer.  The installation cannot proceed.\r\n\r\nCheck your system for viruses, "
            "then ask your vendor to send you a replacement.\r\n\r\nError code: 20");
  EXPECT_EQ(Shown[0].caption, "FATAL ERROR");
}

TEST_F(Reports, UsageBoxPutsTheProblemAboveTheUsage) {
  EXPECT_EQ(exitCodeOf([] { UsageBox("Product name required"); }), 1);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].text,
            "Product name required\n\nUsage:\nUninstall.EXE [/a] [/d:<dir>] [/n:<name>] "
            "[/u:<name>]\n\n/a\tAutomatic mode\n/d:\"dir\"\tOverride installation directory\n"
            "/n:\"name\"\tOverride product name\n/u:\"name\"\tUninstall product by name");
  EXPECT_EQ(Shown[0].style, 0x2010u);
}

TEST_F(Reports, CoreFatalReportsEndInTheFatalBox) {
  EXPECT_EQ(exitCodeOf([] { outOfMemory(1048576); }), 1);
  EXPECT_EQ(exitCodeOf([] { fatalAssert(false, "ginstall", 153); }), 1);
  ASSERT_EQ(Shown.size(), 2u);
  EXPECT_EQ(Shown[0].text,
            "Out Of Memory.  Make sure your hard drive is not full.\nRequested size = 1,048,576");
  EXPECT_EQ(Shown[0].caption, "FATAL ERROR");
  EXPECT_NE(Shown[1].text.find("ginstall"), std::string::npos) << Shown[1].text;
  EXPECT_NE(Shown[1].text.find(" 153"), std::string::npos) << Shown[1].text;
}

TEST_F(Reports, AFatalReportInsideTheFatalBoxDoesNotRecurse) {
  FailInsideBox = true;
  EXPECT_EQ(exitCodeOf([] { FatalBox("outer"); }), 1);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].text, "outer");
  // The guard is released again: a later report shows its box.
  FailInsideBox = false;
  EXPECT_EQ(exitCodeOf([] { FatalBox("later"); }), 1);
  EXPECT_EQ(Shown.size(), 2u);
}

TEST_F(Reports, IntroductionFillsEveryPlaceholderOnce) {
  String text("<product> by <product> goes beside <os>; <Product> stays.");
  Answer = AnswerYes;
  EXPECT_FALSE(ConfirmIntroduction(Progress, text, String("Demo <os>")));
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].text,
            "Demo <os> by Demo <os> goes beside C:\\WINDOWS; <Product> stays.");
  EXPECT_EQ(Shown[0].caption, "Tessaform v5.0");
  EXPECT_EQ(Shown[0].style, 0x44u);
  EXPECT_EQ(Shown[0].owner, Progress);  // the owner the caller gives

  for (int answer : {int(AnswerNo), int(AnswerCancel), int(AnswerOk), 0}) {
    Answer = answer;
    EXPECT_TRUE(ConfirmIntroduction(Background, text, String("x"))) << answer;
  }
}

}  // namespace
