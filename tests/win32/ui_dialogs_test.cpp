// The dialogs under Wine, run in this process and driven from a second
// thread the way a person would use them: the templates as compiled, the
// language, licence, read-me, destination and progress dialogs, the folder
// browser, the abort question and the centring.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <stdlib.h>

#include <string>
#include <thread>
#include <vector>

#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "tests/win32/ui_test_support.h"
#include "ui/background_window.h"
#include "ui/dialogs.h"

using ui_test::itemText;
using ui_test::messageText;
using ui_test::PostClick;
using ui_test::StaysOpen;
using ui_test::WaitForDialog;
using ui_test::WhileDriving;
using ui_test::windowText;

namespace {

// --- The templates as compiled into the program ------------------------------

// The template names the program uses, in their mixed case.
const char* const TemplateNames[] = {"LanguageDlg", "LicenseDlg", "ReadmeDlg", "ChooseDirDlg", "ProgressDlg"};

// Reads the header of a classic dialog template (DLGTEMPLATE).
class TemplateReader {
 public:
  explicit TemplateReader(const void* data) : p_(static_cast<const uint8_t*>(data)) {}
  uint16_t word() {
    uint16_t w;
    memcpy(&w, p_, 2);
    p_ += 2;
    return w;
  }
  uint32_t dword() { return word() | static_cast<uint32_t>(word()) << 16; }
  short coordinate() { return static_cast<short>(word()); }
  std::string text() {
    std::string s;
    for (uint16_t c; (c = word()) != 0;) s += static_cast<char>(c);
    return s;
  }
  // A name or an ordinal (0xFFFF, then the number).
  std::string nameOrOrdinal() {
    uint16_t first;
    memcpy(&first, p_, 2);
    if (first == 0xFFFF) {
      word();
      return "#" + std::to_string(word());
    }
    return text();
  }

 private:
  const uint8_t* p_;
};

// What windres makes of the script's common part: found by the program's
// names whatever their case, the style with the font flag, no extended
// style, the origin (6, 15) and "Arial" 10. The controls are checked at work
// below.
TEST(DialogTemplates, ShareStyleOriginAndFont) {
  const DWORD dialogStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  for (const char* name : TemplateNames) {
    SCOPED_TRACE(name);
    HRSRC resource = FindResourceA(GetModuleHandleA(nullptr), name, MAKEINTRESOURCEA(5));
    ASSERT_NE(resource, nullptr);
    TemplateReader r(LockResource(LoadResource(GetModuleHandleA(nullptr), resource)));
    EXPECT_EQ(r.dword(), dialogStyle);
    EXPECT_EQ(r.dword(), 0u);
    r.word();  // the number of controls
    EXPECT_EQ(r.coordinate(), 6);
    EXPECT_EQ(r.coordinate(), 15);
    r.coordinate();  // width and height
    r.coordinate();
    EXPECT_EQ(r.nameOrOrdinal(), "");  // no menu
    EXPECT_EQ(r.nameOrOrdinal(), "");  // the dialog class
    EXPECT_EQ(r.text(), std::string(name) == "LanguageDlg" ? LanguageDialogCaption : "");
    EXPECT_EQ(r.word(), 10);
    EXPECT_EQ(r.text(), "Arial");
  }
}

// --- The dialogs at work -----------------------------------------------------

const std::vector<std::string> Languages = {"English", "Deutsch", "Francais"};

class Dialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ui_test::UseBackgroundWindow(); }
  void SetUp() override {
    ui_test::UseMessages(Languages);
    ProductName = "Tessa Test";
  }
  void TearDown() override { LanguageIndex = 0; }

  static HWND owner(HWND window) { return GetWindow(window, GW_OWNER); }
  static HWND background() { return reinterpret_cast<HWND>(BackgroundWindow); }

  // Sends the close box's command and the Escape key; the dialog must stay.
  static void expectCancelIgnored(HWND dialog) {
    SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(StaysOpen(dialog)) << "the close box ended the dialog";
    PostMessageA(GetWindow(dialog, GW_CHILD), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(StaysOpen(dialog)) << "Escape ended the dialog";
  }
};

void selectLanguage(HWND dialog, int index) {
  HWND list = GetDlgItem(dialog, LanguageList);
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(LanguageList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

TEST_F(Dialogs, LanguageListSwitchesTheButtonsAndContinueChooses) {
  const int result = WhileDriving(LanguageDialogCaption, RunLanguageDialog, [&] {
    HWND dialog = WaitForDialog(LanguageDialogCaption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(owner(dialog), background());
    HWND list = GetDlgItem(dialog, LanguageList);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    for (int i = 0; i < 3; ++i) {
      char name[64] = {};
      SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
      EXPECT_EQ(std::string(name), Languages[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(itemText(dialog, ContinueButton), "&Continue");
    EXPECT_EQ(itemText(dialog, AbortButton), "&Abort");

    selectLanguage(dialog, 2);
    EXPECT_EQ(LanguageIndex, 2);
    EXPECT_EQ(itemText(dialog, ContinueButton), messageText("Francais", 48));
    EXPECT_EQ(itemText(dialog, AbortButton), messageText("Francais", 49));
    EXPECT_EQ(windowText(dialog), LanguageDialogCaption);
    selectLanguage(dialog, 1);
    EXPECT_EQ(itemText(dialog, ContinueButton), messageText("Deutsch", 48));

    expectCancelIgnored(dialog);
    PostClick(dialog, ContinueButton);
  });
  EXPECT_EQ(result, DialogContinue);
  EXPECT_EQ(LanguageIndex, 1);
}

TEST_F(Dialogs, LanguageDoubleClickChoosesAndNoSelectionMeansTheFirst) {
  int result = WhileDriving(LanguageDialogCaption, RunLanguageDialog, [&] {
    HWND dialog = WaitForDialog(LanguageDialogCaption);
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, LanguageList);
    RECT item;
    SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
  });
  EXPECT_EQ(result, DialogContinue);
  EXPECT_EQ(LanguageIndex, 2);

  result = WhileDriving(LanguageDialogCaption, RunLanguageDialog, [&] {
    HWND dialog = WaitForDialog(LanguageDialogCaption);
    ASSERT_NE(dialog, nullptr);
    selectLanguage(dialog, -1);
    EXPECT_EQ(LanguageIndex, -1);
    PostClick(dialog, ContinueButton);
  });
  EXPECT_EQ(result, DialogContinue);
  EXPECT_EQ(LanguageIndex, 0);
}

TEST_F(Dialogs, LanguageAbortEndsWithAbort) {
  const int result = WhileDriving(LanguageDialogCaption, RunLanguageDialog, [&] {
    HWND dialog = WaitForDialog(LanguageDialogCaption);
    ASSERT_NE(dialog, nullptr);
    PostClick(dialog, AbortButton);
  });
  EXPECT_EQ(result, DialogAbort);
}

struct TextDialogCase {
  const char* name;
  int (*show)(const String&);
  int caption, accept, decline, prompt;
};

TEST_F(Dialogs, LicenceAndReadMeShowTheirTextAndMessages) {
  const String text("First line of the text\r\nSecond line\r\n\r\nLast line");
  for (const TextDialogCase& c : {TextDialogCase{"licence", ShowLicenseDialog, 44, 45, 46, 47},
                                  TextDialogCase{"read-me", ShowReadmeDialog, 50, 48, 49, 51}}) {
    SCOPED_TRACE(c.name);
    for (int language : {0, 1}) {
      LanguageIndex = language;
      const std::string name = Languages[static_cast<size_t>(language)];
      const std::string caption = messageText(name, c.caption);
      const int button = language == 0 ? ContinueButton : AbortButton;
      const int result = WhileDriving(caption, [&] { return c.show(text); }, [&] {
        HWND dialog = WaitForDialog(caption);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(owner(dialog), background());
        EXPECT_EQ(itemText(dialog, LongText), text.cStr());
        EXPECT_EQ(itemText(dialog, ContinueButton), messageText(name, c.accept));
        EXPECT_EQ(itemText(dialog, AbortButton), messageText(name, c.decline));
        EXPECT_EQ(itemText(dialog, PromptText), messageText(name, c.prompt));
        expectCancelIgnored(dialog);
        PostClick(dialog, button);
      });
      EXPECT_EQ(result, button);
    }
  }
}

const std::string DirectoryCaption = messageText("English", 24);

TEST_F(Dialogs, DestinationShowsTheDirectoryAndReturnsTheTypedOne) {
  String directory("C:\\Program Files\\Tessa");
  const bool accepted = WhileDriving(DirectoryCaption, [&] { return ChooseDirectory(directory); }, [&] {
    HWND dialog = WaitForDialog(DirectoryCaption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(owner(dialog), background());
    EXPECT_EQ(itemText(dialog, PromptText), messageText("English", 11));
    EXPECT_EQ(itemText(dialog, DirectoryField), "C:\\Program Files\\Tessa");
    EXPECT_EQ(itemText(dialog, ContinueButton), messageText("English", 48));
    EXPECT_EQ(itemText(dialog, AbortButton), messageText("English", 49));
    EXPECT_EQ(itemText(dialog, BrowseButton), messageText("English", 52));
    expectCancelIgnored(dialog);
    SetDlgItemTextA(dialog, DirectoryField, "D:\\Elsewhere");
    PostClick(dialog, ContinueButton);
  });
  EXPECT_TRUE(accepted);
  EXPECT_EQ(std::string(directory.cStr()), "D:\\Elsewhere");
}

TEST_F(Dialogs, DestinationTakesAtMost259TypedCharactersAndAbortKeepsTheString) {
  String directory("C:\\Keep");
  const bool accepted = WhileDriving(DirectoryCaption, [&] { return ChooseDirectory(directory); }, [&] {
    HWND dialog = WaitForDialog(DirectoryCaption);
    ASSERT_NE(dialog, nullptr);
    HWND field = GetDlgItem(dialog, DirectoryField);
    EXPECT_EQ(SendMessageA(field, EM_GETLIMITTEXT, 0, 0), MaxDirectoryLength);
    SetWindowTextA(field, "");
    for (int i = 0; i < 300; ++i) SendMessageA(field, WM_CHAR, 'a', 1);
    EXPECT_EQ(GetWindowTextLengthA(field), MaxDirectoryLength);
    PostClick(dialog, AbortButton);
  });
  EXPECT_FALSE(accepted);
  EXPECT_EQ(std::string(directory.cStr()), "C:\\Keep");
}

struct BrowserSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK findBrowser(HWND window, LPARAM context) {
  BrowserSearch* search = reinterpret_cast<BrowserSearch*>(context);
  if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowVisible(window) ||
      FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr) == nullptr) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// The folder browser the destination dialog opened (owned by it).
HWND waitForBrowser(HWND dialog) {
  for (DWORD waited = 0; waited < ui_test::WaitMs; waited += ui_test::PollMs) {
    BrowserSearch search = {dialog, nullptr};
    EnumWindows(findBrowser, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(ui_test::PollMs);
  }
  return nullptr;
}

std::string selectedFolder(HWND tree) {
  char text[MAX_PATH] = {};
  TVITEMA item = {};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  if (item.hItem == nullptr || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return "";
  return text;
}

bool hasChildWithText(HWND window, const std::string& text) {
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (windowText(child) == text) return true;
  }
  return false;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

TEST_F(Dialogs, BrowserOpensOnTheTypedDirectoryAndAcceptsOnlyFolders) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string system = std::string(windows) + "\\system32";
  String directory(system.c_str());
  std::string chosen;
  const bool accepted = WhileDriving(DirectoryCaption, [&] { return ChooseDirectory(directory); }, [&] {
    HWND dialog = WaitForDialog(DirectoryCaption);
    ASSERT_NE(dialog, nullptr);
    // First: the computer itself is no file-system folder; OK is disabled.
    PostClick(dialog, BrowseButton);
    HWND browser = waitForBrowser(dialog);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(hasChildWithText(browser, messageText("English", 11)));
    HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    EXPECT_EQ(lower(selectedFolder(tree)), "system32");
    HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
    Sleep(200);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(browser, IDOK)));
    PostClick(browser, IDCANCEL);
    Sleep(300);
    EXPECT_EQ(itemText(dialog, DirectoryField), system);
    // Then: the typed directory is chosen as it was selected.
    SetDlgItemTextA(dialog, DirectoryField, windows);
    PostClick(dialog, BrowseButton);
    browser = waitForBrowser(dialog);
    ASSERT_NE(browser, nullptr);
    tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    EXPECT_EQ(lower(selectedFolder(tree)), lower(std::string(windows).substr(3)));
    PostClick(browser, IDOK);
    for (int i = 0; i < 50 && IsWindow(browser); ++i) Sleep(50);
    chosen = itemText(dialog, DirectoryField);
    PostClick(dialog, ContinueButton);
  });
  EXPECT_TRUE(accepted);
  EXPECT_EQ(lower(chosen), lower(windows));
  EXPECT_EQ(lower(directory.cStr()), lower(windows));
}

// --- Progress dialog and the abort question ----------------------------------

class ProgressDialog : public Dialogs {
 protected:
  void TearDown() override {
    CloseProgressDialog();
    Dialogs::TearDown();
  }
  static HWND progressBar() { return FindWindowExA(toDialog(), nullptr, "msctls_progress32", nullptr); }
  static HWND toDialog() { return reinterpret_cast<HWND>(ProgressWindow); }
};

TEST_F(ProgressDialog, ShowsItsTextsAndTheBarOverTheFrame) {
  OpenProgressDialog();
  HWND dialog = toDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(owner(dialog), background());
  EXPECT_EQ(windowText(dialog), messageText("English", 54));
  EXPECT_EQ(itemText(dialog, PromptText), messageText("English", 39));
  EXPECT_EQ(itemText(dialog, AbortButton), messageText("English", 49));
  HWND bar = progressBar();
  ASSERT_NE(bar, nullptr);
  RECT frame, barRect;
  GetWindowRect(GetDlgItem(dialog, ProgressFrame), &frame);
  GetWindowRect(bar, &barRect);
  EXPECT_EQ(barRect.left, frame.left - 1);
  EXPECT_EQ(barRect.top, frame.top - 1);
  EXPECT_EQ(barRect.right, frame.right + 2);
  EXPECT_EQ(barRect.bottom, frame.bottom + 2);
  // The classic bar, as Windows draws this program's controls; Wine would
  // give it the visual style, at several milliseconds a repaint.
  HMODULE theming = LoadLibraryA("uxtheme.dll");
  ASSERT_NE(theming, nullptr);
  auto windowTheme = reinterpret_cast<HANDLE(WINAPI*)(HWND)>(
      reinterpret_cast<void*>(GetProcAddress(theming, "GetWindowTheme")));
  ASSERT_NE(windowTheme, nullptr);
  EXPECT_EQ(windowTheme(bar), nullptr);

  EXPECT_FALSE(SetProgressPosition(37));
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 37);
  EXPECT_FALSE(ShowProgressText("%s of %d", "Part", 3));
  EXPECT_EQ(itemText(dialog, OperationText), "Part of 3");
  // The pump reports a closing message it dispatched.
  PostThreadMessageA(GetCurrentThreadId(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(SetProgressPosition(40));

  CloseProgressDialog();
  EXPECT_EQ(ProgressWindow, nullptr);
  EXPECT_FALSE(IsWindow(dialog));
  // Without the dialog nothing is posted, but messages are still pumped.
  EXPECT_FALSE(SetProgressPosition(50));
  EXPECT_FALSE(ShowProgressLine("nowhere"));
}

TEST_F(ProgressDialog, CancelAsksAndNoLeavesTheRunGoing) {
  OpenProgressDialog();
  HWND dialog = toDialog();
  ASSERT_NE(dialog, nullptr);
  const std::string question = messageText("English", 20);
  std::atomic<bool> done{false};
  std::string asked;
  HWND boxOwner = nullptr;
  int steps = WhileDriving(question,
                           [&] {
                             int n = 0;
                             while (!done && n < 2000) {
                               SetProgressPosition(n++ % 100);
                               Sleep(5);
                             }
                             return n;
                           },
                           [&] {
                             PostClick(dialog, AbortButton);
                             HWND box = WaitForDialog(question);
                             if (box != nullptr) {
                               asked = ui_test::BoxText(box);
                               boxOwner = owner(box);
                               PostClick(box, IDNO);
                               for (int i = 0; i < 50 && IsWindow(box); ++i) Sleep(20);
                             }
                             done = true;
                           });
  EXPECT_LT(steps, 2000) << "the run did not go on";
  EXPECT_EQ(asked, messageText("English", 28));
  EXPECT_EQ(boxOwner, background());
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_EQ(ProgressWindow, reinterpret_cast<WindowHandle>(dialog));
}

TEST_F(ProgressDialog, CancelAndYesEndTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        OpenProgressDialog();
        HWND dialog = toDialog();
        const std::string question = messageText("English", 20);
        std::thread([dialog, question] {
          PostClick(dialog, AbortButton);
          HWND box = WaitForDialog(question);
          if (box != nullptr) PostClick(box, IDYES);
        }).detach();
        for (int n = 0; n < 4000; ++n) {
          SetProgressPosition(n % 100);
          Sleep(5);
        }
        _exit(7);
      },
      ::testing::ExitedWithCode(1), "");
}

TEST(CenterWindow, CentresAndShrinksToTheScreen) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 3, 4, 200, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  CenterWindow(reinterpret_cast<WindowHandle>(window));
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, (screenWidth - 200) / 2);
  EXPECT_EQ(r.top, (screenHeight - 100) / 2);
  EXPECT_EQ(r.right - r.left, 200);

  MoveWindow(window, 50, 50, screenWidth + 300, screenHeight + 10, FALSE);
  CenterWindow(reinterpret_cast<WindowHandle>(window));
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, screenWidth);
  EXPECT_EQ(r.bottom, screenHeight);
  DestroyWindow(window);
}

}  // namespace
