// STAND-IN for the dialogs of the user interface, until ui/ provides them:
// there is no progress dialog to move or fill, the language dialog chooses
// the first language, and the background needs no repaint because it paints
// no title yet. ConfirmAbort is the real one; whoever replaces this file
// keeps it (or serves it from ui/).
#include "archive/format.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/reports.h"
#include "setup/user_interface.h"

bool SetProgressPosition(int) { return true; }

bool ShowProgressLine(const char*) { return true; }

int RunLanguageDialog() {
  LanguageIndex = 0;
  return DialogContinue;
}

void RepaintBackground() {}

void ConfirmAbort() {
  const int answer = ShowMessageBox(Message(MsgConfirmAbort).cStr(), Message(MsgQuestionCaption).cStr(),
                                    BoxYesNo | BoxIconQuestion);
  if (answer == AnswerYes) AbortProgram();
}
