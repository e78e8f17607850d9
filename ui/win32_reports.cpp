#include "setup/portable/reports.h"
#include "setup/user_interface.h"

#include <windows.h>

#include "platform/filesys.h"
#include "platform/phase_profile.h"
#include "platform/runtime_link.h"

static_assert(BoxOkCancel == MB_OKCANCEL && BoxYesNo == MB_YESNO, "box buttons");
static_assert(BoxIconHand == MB_ICONHAND && BoxIconQuestion == MB_ICONQUESTION &&
                  BoxIconExclamation == MB_ICONEXCLAMATION &&
                  BoxIconInformation == MB_ICONINFORMATION,
              "box icons");
static_assert(BoxTaskModal == MB_TASKMODAL, "box modality");
static_assert(AnswerOk == IDOK && AnswerCancel == IDCANCEL && AnswerYes == IDYES && AnswerNo == IDNO,
              "box answers");

namespace {

int showBox(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  return MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, style);
}

void destroyWindow(WindowHandle window) { DestroyWindow(reinterpret_cast<HWND>(window)); }

// Libraries linked at run time are given back before the process ends.
void endProcess(int exitCode) {
  WritePhaseProfile();
  FreeLinkedLibraries();
  ExitProcess(static_cast<UINT>(exitCode));
}

String theWindowsDirectory() { return windowsDirectory(); }

const ReportPlatform Win32Platform = {showBox, destroyWindow, endProcess, theWindowsDirectory};

}  // namespace

const ReportPlatform* Win32ReportPlatform() { return &Win32Platform; }
