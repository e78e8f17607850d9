// Choosing the language of a package with three languages, as a user does:
// the list, the buttons that follow the selection, Continue and the
// double-click, Abort, and the Escape key and close box that do nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_fixture.h"
#include "tests/e2e/ui_packages.h"

namespace {

const char LanguageCaption[] = "Choose Your Language";
const int ListId = 1017;
const int ContinueId = 1001;
const int AbortId = 1003;

struct Language {
  std::string name;
  std::string base;
  std::string continueText;
  std::string abortText;
};

const std::vector<Language> Languages = {
    {"English", "english", "&Next >", "&Quit"},
    {"Deutsch", "german", "&Weiter >", "&Beenden"},
    {"Nederlands", "english", "&Volgende >", "&Stoppen"},
};

// What the first box after the choice says in each language: the request
// for the second disk, or the introduction where a question comes first.
std::string diskCaption(size_t language) { return "Disk wanted (" + Languages[language].name + ")"; }
std::string introduction(size_t language) { return "Welcome (" + Languages[language].name + ")"; }

std::string manifest() {
  std::string text = "[product]\nname = \"Tessa Languages\"\n\n";
  for (size_t i = 0; i < Languages.size(); ++i) {
    const Language& l = Languages[i];
    text += "[[language]]\nname = \"" + l.name + "\"\nbase = \"" + l.base + "\"\n[language.messages]\n";
    text += "display-title = \"Tessa " + l.name + "\"\n";
    text += "continue-button = \"" + l.continueText + "\"\nabort-button = \"" + l.abortText + "\"\n";
    text += "introduction = \"" + introduction(i) + "\"\n";
    text += "insert-disk-caption = \"" + diskCaption(i) + "\"\n";
    text += "insert-disk = \"Disk %d, drive %c:\"\n\n";
  }
  return text;
}

class LanguageDialog : public EndToEnd {
 protected:
  void SetUp() override {
    package_ = ui_e2e::BuildStoppingPackage(scratchDirectory(), manifest());
    start(commandLineFor(package_, ""), package_);
    dialog_ = program_.waitForWindow({LanguageCaption, DialogClass}, WindowTimeoutMs);
    ASSERT_NE(dialog_, nullptr) << "no language dialog";
  }

  std::string itemText(int id) {
    const driver::Control* control = driver::readWindow(dialog_).control(id);
    return control != nullptr ? control->text : "(missing)";
  }

  // The first dialog other than the language dialog, or null when the
  // program ends first.
  HWND nextDialog() {
    for (DWORD waited = 0; waited < WindowTimeoutMs; waited += 50) {
      for (HWND w : program_.topLevelWindows()) {
        const driver::Window window = driver::readWindow(w);
        if (w != dialog_ && window.className == DialogClass) return w;
      }
      if (!program_.running()) return nullptr;
      Sleep(50);
    }
    return nullptr;
  }

  // The box after the choice speaks `language`.
  void expectChosen(size_t language) {
    HWND box = nextDialog();
    ASSERT_NE(box, nullptr) << "no box after the language choice";
    const driver::Window window = driver::readWindow(box);
    const bool diskRequest = window.caption == diskCaption(language);
    const bool greeting = window.messageText() == introduction(language);
    EXPECT_TRUE(diskRequest || greeting) << "expected " << Languages[language].name << ":\n" << window.describe();
    captureFailureAndEnd();
  }

  // Whether the dialog is still there a moment after something was sent.
  bool staysOpen() {
    Sleep(400);
    return IsWindow(dialog_) && IsWindowVisible(dialog_) && program_.running();
  }

  std::string package_;
  HWND dialog_ = nullptr;
};

TEST_F(LanguageDialog, ListsTheLanguagesAndTheButtonsFollowTheSelection) {
  HWND list = GetDlgItem(dialog_, ListId);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
  for (int i = 0; i < 3; ++i) {
    // Across processes the text comes back as the list stores it, in UTF-16.
    wchar_t name[64] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
    EXPECT_EQ(std::string(name, name + wcslen(name)), Languages[static_cast<size_t>(i)].name);
  }
  EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(itemText(ContinueId), "&Continue");
  EXPECT_EQ(itemText(AbortId), "&Abort");

  for (size_t i : {2u, 1u}) {
    ASSERT_TRUE(driver::selectListEntry(dialog_, ListId, static_cast<int>(i)));
    EXPECT_EQ(itemText(ContinueId), Languages[i].continueText);
    EXPECT_EQ(itemText(AbortId), Languages[i].abortText);
    EXPECT_EQ(driver::readWindow(dialog_).caption, LanguageCaption);
  }
  ASSERT_TRUE(driver::clickControl(dialog_, ContinueId));
  expectChosen(1);
}

TEST_F(LanguageDialog, DoubleClickChooses) {
  HWND list = GetDlgItem(dialog_, ListId);
  RECT item;
  SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  expectChosen(2);
}

TEST_F(LanguageDialog, EscapeAndTheCloseBoxDoNothing) {
  PostMessageA(GetDlgItem(dialog_, ListId), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(staysOpen()) << "Escape ended the dialog";
  PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(staysOpen()) << "the close box ended the dialog";
  ASSERT_TRUE(driver::clickControl(dialog_, ContinueId));
  expectChosen(0);
}

TEST_F(LanguageDialog, AbortEndsTheProgramBeforeAnyOtherDialog) {
  ASSERT_TRUE(driver::clickControl(dialog_, AbortId));
  EXPECT_EQ(nextDialog(), nullptr) << "a dialog appeared after Abort";
  EXPECT_EQ(waitForExit(), 1);
}

}  // namespace
