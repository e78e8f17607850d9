#include "setup/install_log.h"

#include "archive/format.h"
#include "core/datetext.h"
#include "core/path.h"
#include "platform/filesys.h"
#include "setup/portable/install_log_text.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/reports.h"
#include "setup/read_archive.h"

namespace {

// Shows the success box; the entry then ends with its caption.
void reportSuccess(String& errorLog) {
  const String& caption = Message(MsgInstallDoneCaption);
  if (!AutomaticMode) ShowQuestionBox(Message(MsgInstallDone).cStr(), caption.cStr(), BoxIconInformation);
  errorLog += caption;
  errorLog += "\r\n\r\n";
}

// True when the user wants to see the log.
bool offerLog(const String& logPath) {
  if (AutomaticMode) return false;
  const String text = formatString(Message(MsgInstallProblems).cStr(), logPath);
  return ShowQuestionBox(text.cStr(), Message(MsgInstallProblemsCaption).cStr(), BoxIconInformation | BoxYesNo) ==
         AnswerYes;
}

}  // namespace

void WriteInstallLog(String errorLog, const String& replacementLog, const String& installDir, bool isReinstall,
                     bool show) {
  const bool succeeded = errorLog.isEmpty();
  const String logPath = joinPath(installDir, joinPath(Header.uninstallSubdir, InstallLogFileName));
  bool openLog = false;
  if (show && succeeded) reportSuccess(errorLog);
  if (show && !succeeded) openLog = offerLog(logPath);
  if (!ShouldWriteInstallLog(HasInstallFlag(AlwaysWriteLog), succeeded, replacementLog)) return;

  InstallLogEntry entry;
  entry.productName = ProductName;
  entry.installDate = timeStampText();
  entry.isReinstall = isReinstall;
  entry.installDir = installDir;
  entry.productVersion = Header.displayVersion;
  entry.replacementLog = replacementLog;
  entry.errorLog = errorLog;
  // A log that cannot be written is left out silently, and then not opened.
  if (!appendTextToFile(logPath, InstallLogText(entry))) return;
  if (openLog) runProgram(logPath);
}
