#include "ui/dialogs.h"

#include <windows.h>
#include <shlobj.h>

#include "archive/format.h"
#include "core/fatal.h"
#include "platform/system_links.h"
#include "setup/portable/localized_strings.h"
#include "ui/dialog_support.h"

namespace {

// Where a WM_COMMAND came from and what it says.
int commandId(WPARAM wParam) { return LOWORD(wParam); }
int notification(WPARAM wParam) { return HIWORD(wParam); }

// --- Language dialog --------------------------------------------------------

// The list of the open language dialog.
HWND LanguageListBox = nullptr;

int selectedLanguage() { return static_cast<int>(SendMessageA(LanguageListBox, LB_GETCURSEL, 0, 0)); }

void fillLanguageList(HWND dialog) {
  LanguageListBox = GetDlgItem(dialog, LanguageList);
  for (int i = 0; i < Messages.languageCount(); ++i) {
    SendMessageA(LanguageListBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Messages.languageName(i).cStr()));
  }
  SendMessageA(LanguageListBox, LB_SETCURSEL, 0, 0);
}

// The buttons speak the language just selected; the caption stays.
void languageSelected(HWND dialog) {
  LanguageIndex = selectedLanguage();
  if (LanguageIndex < 0 || LanguageIndex >= Messages.languageCount()) return;
  SetMessageText(dialog, ContinueButton, MsgContinueButton);
  SetMessageText(dialog, AbortButton, MsgAbortButton);
}

// The selection, or language 0 without one, is the choice.
INT_PTR finishLanguageChoice(HWND dialog) {
  int chosen = selectedLanguage();
  if (chosen >= Messages.languageCount()) chosen = Messages.languageCount() - 1;
  if (chosen < 0) chosen = 0;
  LanguageIndex = chosen;
  EndDialog(dialog, DialogContinue);
  return TRUE;
}

INT_PTR languageCommand(HWND dialog, WPARAM wParam) {
  switch (notification(wParam)) {
    case BN_CLICKED:
      if (commandId(wParam) == ContinueButton) return finishLanguageChoice(dialog);
      if (commandId(wParam) == AbortButton) {
        EndDialog(dialog, DialogAbort);
        return TRUE;
      }
      return FALSE;
    case LBN_SELCHANGE:
      languageSelected(dialog);
      return FALSE;
    case LBN_DBLCLK:
      return finishLanguageChoice(dialog);
    default:
      return FALSE;
  }
}

// Escape and the close box send IDCANCEL, which no dialog here handles: a
// dialog ends only by its own buttons.
INT_PTR CALLBACK languageProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      fillLanguageList(dialog);
      CenterWindow(fromWindow(dialog));
      return TRUE;
    case WM_COMMAND:
      return languageCommand(dialog, wParam);
    default:
      return FALSE;
  }
}

// --- Licence and read-me dialogs --------------------------------------------

struct TextDialogMessages {
  int caption;
  int accept;
  int decline;
  int prompt;
};

const TextDialogMessages LicenseMessages = {MsgLicenseCaption, MsgLicenseAccept, MsgLicenseDecline,
                                            MsgLicensePrompt};
const TextDialogMessages ReadmeMessages = {MsgReadmeCaption, MsgContinueButton, MsgAbortButton,
                                           MsgReadmePrompt};

struct TextDialogParameter {
  const String* text;
  const TextDialogMessages* messages;
};

void initTextDialog(HWND dialog, const TextDialogParameter& parameter) {
  SetDlgItemTextA(dialog, LongText, parameter.text->cStr());
  SetMessageText(dialog, ContinueButton, parameter.messages->accept);
  SetMessageText(dialog, AbortButton, parameter.messages->decline);
  SetMessageText(dialog, PromptText, parameter.messages->prompt);
  SetMessageCaption(dialog, parameter.messages->caption);
  CenterWindow(fromWindow(dialog));
}

INT_PTR CALLBACK textProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initTextDialog(dialog, *reinterpret_cast<const TextDialogParameter*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (commandId(wParam) == ContinueButton || commandId(wParam) == AbortButton) {
        EndDialog(dialog, commandId(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

int showTextDialog(const char* name, const String& text, const TextDialogMessages& messages) {
  TextDialogParameter parameter = {&text, &messages};
  return static_cast<int>(DialogBoxParamA(DialogInstance(), name, toWindow(BackgroundWindow), textProcedure,
                                          reinterpret_cast<LPARAM>(&parameter)));
}

// --- Destination dialog -----------------------------------------------------

// The caller's directory while the destination dialog is open.
String* EditedDirectory = nullptr;

void initDirectoryDialog(HWND dialog) {
  CenterWindow(fromWindow(dialog));
  SetMessageText(dialog, PromptText, MsgDirectoryPrompt);
  SetDlgItemTextA(dialog, DirectoryField, EditedDirectory->cStr());
  SendDlgItemMessageA(dialog, DirectoryField, EM_LIMITTEXT, MaxDirectoryLength, 0);
  SetMessageText(dialog, ContinueButton, MsgContinueButton);
  SetMessageText(dialog, AbortButton, MsgAbortButton);
  SetMessageText(dialog, BrowseButton, MsgBrowseButton);
  SetMessageCaption(dialog, MsgDirectoryCaption);
}

void browseFromField(HWND dialog) {
  String typed = ControlText(dialog, DirectoryField);
  if (BrowseForDirectory(fromWindow(dialog), typed)) SetDlgItemTextA(dialog, DirectoryField, typed.cStr());
}

// The whole wParam is compared, so only plain clicks (notification 0) count.
INT_PTR CALLBACK directoryProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      initDirectoryDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (wParam) {
        case ContinueButton:
          *EditedDirectory = ControlText(dialog, DirectoryField);
          EndDialog(dialog, DirectoryAccepted);
          return TRUE;
        case AbortButton:
          EndDialog(dialog, DirectoryCancelled);
          return TRUE;
        case BrowseButton:
          browseFromField(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

// --- Folder browser ---------------------------------------------------------

int CALLBACK browseCallback(HWND browser, UINT message, LPARAM, LPARAM directory) {
  if (message == BFFM_INITIALIZED) {
    CenterWindow(fromWindow(browser));
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, directory);
  }
  return 0;
}

// An item list from the shell, freed with the shell's allocator on every path.
class ShellItemList {
 public:
  ShellItemList() = default;
  ShellItemList(const ShellItemList&) = delete;
  ShellItemList& operator=(const ShellItemList&) = delete;
  ~ShellItemList() {
    IMalloc* allocator = nullptr;
    // A list exists only where the shell was linked to make it.
    if (item_ == nullptr || FAILED(LinkedShell()->getMalloc(&allocator))) return;
    allocator->Free(item_);
    allocator->Release();
  }
  LPITEMIDLIST* receive() { return &item_; }
  void take(LPITEMIDLIST item) { item_ = item; }
  LPITEMIDLIST get() const { return item_; }

 private:
  LPITEMIDLIST item_ = nullptr;
};

// The shell wants at least MAX_PATH characters for a path.
constexpr int BrowsePathSize = MAX_PATH + 1;

}  // namespace

void CenterWindow(WindowHandle handle) {
  HWND window = toWindow(handle);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  RECT r;
  GetWindowRect(window, &r);
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  if (width > screenWidth) width = screenWidth;
  if (height > screenHeight) height = screenHeight;
  int x = (screenWidth - width) >> 1;
  int y = (screenHeight - height) >> 1;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  MoveWindow(window, x, y, width, height, FALSE);
}

int RunLanguageDialog() {
  const INT_PTR result = DialogBoxParamA(DialogInstance(), LanguageDialogName, toWindow(BackgroundWindow),
                                         languageProcedure, 0);
  LanguageListBox = nullptr;
  return static_cast<int>(result);
}

int ShowLicenseDialog(const String& text) { return showTextDialog(LicenseDialogName, text, LicenseMessages); }

int ShowReadmeDialog(const String& text) { return showTextDialog(ReadmeDialogName, text, ReadmeMessages); }

bool ChooseDirectory(String& directory) {
  EditedDirectory = &directory;
  const INT_PTR result = DialogBoxParamA(DialogInstance(), DirectoryDialogName, toWindow(BackgroundWindow),
                                         directoryProcedure, reinterpret_cast<LPARAM>(&directory));
  EditedDirectory = nullptr;
  return result == DirectoryAccepted;
}

bool BrowseForDirectory(WindowHandle owner, String& directory) {
  const ShellFunctions* shell = LinkedShell();
  if (shell == nullptr) return false;
  ShellItemList root;
  if (FAILED(shell->specialFolderLocation(toWindow(owner), CSIDL_DRIVES, root.receive()))) return false;
  char displayName[BrowsePathSize] = {};
  BROWSEINFOA browse = {};
  browse.hwndOwner = toWindow(owner);
  browse.pidlRoot = root.get();
  browse.pszDisplayName = displayName;
  browse.lpszTitle = Message(MsgDirectoryPrompt).cStr();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  browse.lpfn = browseCallback;
  browse.lParam = reinterpret_cast<LPARAM>(directory.cStr());
  ShellItemList chosen;
  chosen.take(shell->browseForFolder(&browse));
  if (chosen.get() == nullptr) return false;
  char path[BrowsePathSize] = {};
  if (!shell->pathFromIdList(chosen.get(), path)) return false;
  directory = path;
  return true;
}

// --- Shared helpers ---------------------------------------------------------

HINSTANCE DialogInstance() {
  if (ProgramInstance != nullptr) return reinterpret_cast<HINSTANCE>(ProgramInstance);
  return GetModuleHandleA(nullptr);
}

void SetMessageText(HWND dialog, int id, int number) { SetDlgItemTextA(dialog, id, Message(number).cStr()); }

void SetMessageCaption(HWND dialog, int number) { SetWindowTextA(dialog, Message(number).cStr()); }

String ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  const int length = GetWindowTextLengthA(control);
  String text;
  if (length <= 0) return text;
  text.reset(length + 1);
  GetWindowTextA(control, text.buffer(), length + 1);
  text.syncLength();
  fatalAssert(text.length() <= length, SeaModule, LineControlTextTooLong);
  return text;
}
