#include "setup/earlier_installation.h"

#include "archive/format.h"
#include "platform/filesys.h"
#include "platform/registry.h"
#include "setup/portable/installation_state.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/reports.h"
#include "setup/portable/version_number.h"
#include "setup/read_archive.h"
#include "setup/uninstall_record.h"

namespace {

inline constexpr char MasterDirectory[] = "<master>";

bool earlierInstallationPresent() { return !ExistingLocation.isEmpty() && directoryExists(ExistingLocation); }

String reinstallQuestion() {
  const double offered = LeadingNumber(Header.displayVersion);
  String question = Message(ReinstallQuestionText(ExistingVersion, offered));
  question += "\r\n";
  question += ExistingLocation;
  question += "\r\n\r\n";
  question += Message(MsgReinstallClosing);
  return question;
}

}  // namespace

bool IsProductInstalled(const String& productName, String& location) {
  location.clear();
  if (OpenSoftwareKey(UninstallKey(productName).cStr(), false, RegOpenExisting) == KeyNotOpened) return false;
  const bool installed = ValueExists("UninstallString") || ValueExists("QuietUninstallString");
  if (installed) location = ReadText("InstallLocation", "");
  CloseKey();
  return installed;
}

void CheckMasterProduct() {
  if (!HasInstallFlag(RequiresMaster)) return;
  String master = Header.masterProduct;
  if (master.isBlank()) master = ProductName;
  String location;
  if (!IsProductInstalled(master, location)) {
    ErrorBox(Message(MsgMasterMissing).cStr(), master);
    ExitProgram();
  }
  if (DefaultInstallDir.compare(MasterDirectory, false) == 0) DefaultInstallDir = location;
}

void FindEarlierInstallation() {
  if (!HasInstallFlag(RegisterUninstall)) return;
  if (OpenSoftwareKey(UninstallKey(ProductName).cStr(), false, RegOpenExisting) == KeyNotOpened) return;
  ExistingLocation = ReadText("InstallLocation", "");
  ExistingVersion = VersionNumber(ReadText("DisplayVersion", ""));
  OldSharedFiles = ReadText("SharedFiles", "");
  CloseKey();
}

void AcceptReinstall() {
  if (!HasInstallFlag(RegisterUninstall) || !earlierInstallationPresent()) return;
  if (HasInstallFlag(NoReinstall)) {
    AutomaticMode = false;  // this refusal is shown in every mode
    ErrorText(Message(MsgAlreadyInstalled).cStr());
    ExitProgram();
  }
  if (!AutomaticMode &&
      ShowQuestionBox(reinstallQuestion().cStr(), Message(MsgReinstallCaption).cStr(), BoxYesNo | BoxIconQuestion) !=
          AnswerYes) {
    ExitProgram();
  }
  IsReinstall = true;
  InstallDir = ExistingLocation;
}
