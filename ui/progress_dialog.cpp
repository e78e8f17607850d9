// The modeless progress dialog, its bar, and the abort question its Cancel
// button asks. Clicks reach it only while messages are pumped: in the two
// update functions, during the waits for batch hooks and inside boxes.
#include <windows.h>
#include <commctrl.h>

#include "archive/format.h"
#include "platform/system_links.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/reports.h"
#include "ui/background_window.h"
#include "ui/dialog_support.h"
#include "ui/dialogs.h"

namespace {

// The bar of the open progress dialog; null when there is none.
HWND ProgressBar = nullptr;
// The position last given to the bar: the records move it by a percent now
// and then, and every message to it costs a repaint.
int BarPosition = -1;

// Set while the abort question is up: Cancel clicked again meanwhile does
// not stack a second question on the first.
bool AskingAbort = false;

// The bar covers the black frame 1007 and its one-pixel border around it.
void createProgressBar(HWND dialog) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  GetWindowPlacement(GetDlgItem(dialog, ProgressFrame), &placement);
  const RECT& frame = placement.rcNormalPosition;
  ProgressBar = CreateWindowExA(0, ProgressBarClass, nullptr, WS_CHILD | WS_VISIBLE, frame.left - 1, frame.top - 1,
                                frame.right - frame.left + 3, frame.bottom - frame.top + 3, dialog, nullptr,
                                DialogInstance(), nullptr);
  if (ProgressBar != nullptr) DrawWithoutVisualStyle(ProgressBar);
}

INT_PTR CALLBACK progressProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindow(fromWindow(dialog));
      createProgressBar(dialog);
      SetMessageCaption(dialog, MsgProgressCaption);
      SetMessageText(dialog, PromptText, MsgProgressHeading);
      SetMessageText(dialog, AbortButton, MsgAbortButton);
      return TRUE;
    case WM_COMMAND:
      if (lParam != 0 && LOWORD(wParam) == AbortButton) ConfirmAbort();
      return FALSE;
    case WM_NCDESTROY:
      ProgressBar = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void OpenProgressDialog() {
  if (ProgressWindow != nullptr) return;
  InitCommonControlsLinked();  // registers the bar's class
  BarPosition = -1;
  ProgressWindow = fromWindow(CreateDialogParamA(DialogInstance(), ProgressDialogName, toWindow(BackgroundWindow),
                                                 progressProcedure, 0));
}

void CloseProgressDialog() {
  if (ProgressWindow == nullptr) return;
  HWND dialog = toWindow(ProgressWindow);
  ProgressWindow = nullptr;
  DestroyWindow(dialog);
}

bool SetProgressPosition(int percent) {
  if (ProgressBar != nullptr && percent != BarPosition) {
    PostMessageA(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    BarPosition = percent;
  }
  return PumpPendingMessages();
}

bool ShowProgressLine(const char* text) {
  if (ProgressWindow != nullptr) {
    SetDlgItemTextA(toWindow(ProgressWindow), OperationText, text);
    UpdateWindow(toWindow(ProgressWindow));
  }
  return PumpPendingMessages();
}

void ConfirmAbort() {
  if (AskingAbort) return;
  AskingAbort = true;
  const int answer = MessageBoxA(toWindow(BackgroundWindow), Message(MsgConfirmAbort).cStr(),
                                 Message(MsgQuestionCaption).cStr(), MB_YESNO | MB_ICONQUESTION);
  AskingAbort = false;
  if (answer == IDYES) AbortProgram();
}
