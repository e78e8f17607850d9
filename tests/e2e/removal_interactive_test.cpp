// Removals a person answers: declining the first question removes nothing;
// a font or shared file the person keeps stays; a file held open is
// reported, kept in "Uninstall.DAT" with the messages, and a second run
// after it was released finishes without repeating the first hook; a
// product that is not installed is reported only when questions may be
// asked.
#include "tests/e2e/removal_e2e.h"

namespace {

using namespace removal_e2e;

class InteractiveRemoval : public Removing {
 protected:
  // Starts the stored uninstall command and answers the first question.
  driver::Window confirmed(const std::string& product, int button, const std::string& nextCaption) {
    startStored(product, "UninstallString");
    const driver::Window question = next(ConfirmCaption);
    EXPECT_EQ(question.messageText(), "Remove " + product + "?");
    return answer(question, button, nextCaption);
  }
  static std::string fontsFolder() {
    return RegText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                   "Fonts");
  }
};

TEST_F(InteractiveRemoval, DeclinedQuestionsKeepWhatTheyAskAbout) {
  const std::string product = "E2E Removal Ask";
  const std::string publisher = "E2E Removal Ask Pub";
  const std::string dest = windowsPath(scratch_) + "\\dest";
  const std::string sharedFile = CommonFiles() + "\\" + publisher + "\\q.dll";
  const std::string fontFile = fontsFolder() + "\\TessaQ.ttf";
  removeAtEnd(CommonFiles() + "\\" + publisher);
  removeAtEnd(fontFile);
  uncountAtEnd(sharedFile);
  source("ask", "TessaQ.ttf", RenamedFont("TessaQ"));
  source("ask", "q.dll", "shared");
  source("ask", "a.txt", "a");
  const std::string package =
      buildProduct("ask", product,
                   "publisher = '" + publisher +
                       "'\nflags = ['RegisterUninstall', 'ConfirmFontRemoval', 'ConfirmSharedRemoval']\n"
                       "[[file]]\nsource = 'a.txt'\n[[file]]\nsource = 'q.dll'\nkind = 'shared'\n"
                       "[[file]]\nsource = 'TessaQ.ttf'\nkind = 'font'\nfont-name = 'TessaQ Sans'\n");
  runQuietly(package, "/a /d:\"" + dest + "\"");
  ASSERT_TRUE(Exists(fontFile));

  // No at the first question: the process ends and nothing is touched.
  startStored(product, "UninstallString");
  const driver::Window question = next(ConfirmCaption);
  EXPECT_EQ(question.messageText(), "Remove " + product + "?");
  EXPECT_EQ(dismissAndWait(question, IDNO), 1);
  for (const std::string& path : {dest + "\\a.txt", dest + "\\Uninstall.DAT", fontFile, sharedFile})
    EXPECT_TRUE(Exists(path)) << path;
  EXPECT_EQ(SharedCount(sharedFile), 1);
  EXPECT_EQ(Uninstall(product, "ProductFonts"), "\"TessaQ Sans\" \"TessaQ.ttf\" ");

  // Yes, then No to the font and No to the shared file: both stay, the
  // rest goes and the removal counts as complete.
  const driver::Window font = confirmed(product, IDYES, FontCaption);
  EXPECT_EQ(font.messageText(), "Remove the font TessaQ Sans?");
  const driver::Window shared = answer(font, IDNO, SharedCaption);
  EXPECT_EQ(shared.messageText(), "Delete " + sharedFile + "?");
  const driver::Window done = answer(shared, IDNO, RemovedCaption);
  EXPECT_EQ(done.messageText(), product + " is removed.");
  EXPECT_EQ(dismissAndWait(done), 1);
  EXPECT_TRUE(selfRemovalFinished(dest + "\\Uninstall.EXE"));
  EXPECT_TRUE(Exists(fontFile));
  EXPECT_TRUE(Exists(sharedFile));
  EXPECT_EQ(SharedCount(sharedFile), -1);
  EXPECT_FALSE(Exists(dest));
  EXPECT_EQ(Uninstall(product, "DisplayName"), "<none>");
}

TEST_F(InteractiveRemoval, FileHeldOpenIsReportedAndASecondRunFinishes) {
  const std::string product = "E2E Removal Retry";
  const std::string dest = windowsPath(scratch_) + "\\dest";
  const std::string hookLog = windowsPath(scratch_) + "\\hook1.txt";
  source("retry", "a.txt", "a");
  source("retry", "held.txt", "held");
  const std::string package = buildProduct("retry", product,
                                           "uninstall-subdir = 'Un'\nflags = ['RegisterUninstall']\n"
                                           "[hooks]\nbefore-uninstall = 'echo ran>> \"" +
                                               hookLog +
                                               "\"'\n"
                                               "[[file]]\nsource = 'a.txt'\n[[file]]\nsource = 'held.txt'\nto = "
                                               "'sub/'\n");
  runQuietly(package, "/a /d:\"" + dest + "\"");
  const std::string held = dest + "\\sub\\held.txt";
  const std::string uninstaller = dest + "\\Un\\Uninstall.EXE";
  // Open the way a running program holds its file: deleting is not shared.
  HANDLE handle = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);

  const driver::Window failed = confirmed(product, IDYES, FailedCaption);
  const std::string stayed = held + "\r\n~" + dest + "\\sub\r\n~" + dest + "\r\n";
  EXPECT_EQ(lineEnds(failed.messageText()),
            lineEnds("Left behind:\r\n" + std::string(StayedText) + " " + held + "\r\n" + StayedText + " " + dest +
                     "\\sub\r\n" + StayedText + " " + dest + "\r\n"));
  EXPECT_EQ(dismissAndWait(failed), 1);
  CloseHandle(handle);
  EXPECT_EQ(Read(dest + "\\Un\\Uninstall.DAT"), stayed + StringsSection(product));
  EXPECT_FALSE(Exists(dest + "\\a.txt"));
  EXPECT_TRUE(Exists(uninstaller));
  EXPECT_FALSE(Exists(SelfRemovalBatch));
  EXPECT_NE(Uninstall(product, "UninstallString"), "<none>");
  EXPECT_EQ(Uninstall(product, "UninstallBatch1"), "<none>");
  EXPECT_EQ(Read(hookLog), "ran\r\n");

  const driver::Window done = confirmed(product, IDYES, RemovedCaption);
  EXPECT_EQ(dismissAndWait(done), 1);
  EXPECT_TRUE(selfRemovalFinished(uninstaller));
  EXPECT_FALSE(Exists(dest));
  EXPECT_EQ(Uninstall(product, "DisplayName"), "<none>");
  EXPECT_EQ(Read(hookLog), "ran\r\n");  // the first hook ran once
}

TEST_F(InteractiveRemoval, ProductNotInstalledIsReportedUnlessAutomatic) {
  const std::string product = "E2E Removal Nobody";
  forget(product);
  start(commandLineFor(ProgramPath(), "/u:\"" + product + "\""));
  const driver::Window box = expectBox("Error");
  EXPECT_EQ(box.messageText(), "No product named '" + product + "' is installed.");
  EXPECT_EQ(dismissAndWait(box), 1);

  start(commandLineFor(ProgramPath(), "/a /u:\"" + product + "\""));
  EXPECT_EQ(waitForExit(), 1);  // a box would hold it until the time-out
}

}  // namespace
