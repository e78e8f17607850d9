#include "setup/installation.h"

#include "archive/format.h"
#include "platform/filesys.h"
#include "platform/phase_profile.h"
#include "platform/registry.h"
#include "platform/restart.h"
#include "setup/batch_hooks.h"
#include "setup/choose_destination.h"
#include "setup/earlier_installation.h"
#include "setup/extraction.h"
#include "setup/install_log.h"
#include "setup/portable/installation_state.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/removal_list.h"
#include "setup/portable/reports.h"
#include "setup/read_archive.h"
#include "setup/shared_files.h"
#include "setup/shortcuts_fonts.h"
#include "setup/uninstall_record.h"
#include "setup/user_interface.h"
#include "setup/write_file.h"

namespace {

inline constexpr char RegistryKeysFailedFormat[] = "Error creating registry keys:\r\n%s\r\n\r\n";

// Progress positions of the steps after extraction.
constexpr int ProgressAfterExtraction = 87;
constexpr int ProgressShortcuts = 90;
constexpr int ProgressBackground = 95;
constexpr int ProgressDone = 100;

void confirmIntroduction() {
  if (!AutomaticMode && ConfirmIntroduction(BackgroundWindow, Message(MsgIntroduction), ProductName)) ExitProgram();
}

void showLicenseAndReadme() {
  if (AutomaticMode) return;
  if (!Header.licenseText.isEmpty() && ShowLicenseDialog(Header.licenseText) != DialogContinue) ExitProgram();
  if (!Header.readmeText.isEmpty() && ShowReadmeDialog(Header.readmeText) != DialogContinue) ExitProgram();
}

void runHook(const String& hookText) { RunBatchHook(InstallDir, hookText, SharedPath); }

void readFileData(File& own) {
  {
    PhaseScope phase(Phase::Progress);
    OpenProgressDialog();
  }
  ShowProgressLine(Message(MsgProgressReading).cStr());
  ReadFileData(own);
  LinkReplacementFunction();
  ClearRemovalList();
}

void placeFiles() {
  ExtractFiles();
  AnnounceFontChange();
  SetProgressPosition(ProgressAfterExtraction);
  if (HasInstallFlag(RegisterUninstall)) {
    PhaseScope phase(Phase::Registry);
    UpdateSharedFileCounts();
  }
  SetProgressPosition(ProgressShortcuts);
  ShowProgressLine(Message(MsgProgressShortcuts).cStr());
  PhaseScope phase(Phase::Shortcuts);
  CreateShortcuts();
}

void prepareUninstaller() {
  if (!HasInstallFlag(RegisterUninstall)) return;
  if (!Header.uninstallSubdir.isEmpty()) makeDirectories(UninstallDirectory());
  PhaseScope phase(Phase::Shortcuts);
  MakeUninstallShortcuts(UninstallerPath(), UninstallArguments());
}

bool createProductKey(bool perUser) {
  if (OpenSoftwareKey(Header.productRegistry.cStr(), perUser, 0) == KeyNotOpened) return false;
  CloseKey();
  return true;
}

void createProductKeys() {
  if (Header.productRegistry.isEmpty()) return;
  const bool machine = createProductKey(false);
  const bool user = createProductKey(true);
  if (!machine || !user) ErrorLog.appendFormat(RegistryKeysFailedFormat, Header.productRegistry);
}

void leaveRecordsForUninstaller() {
  SetProgressPosition(ProgressBackground);
  SaveBackgroundForUninstaller();
  {
    PhaseScope phase(Phase::Registry);
    createProductKeys();
  }
  if (HasInstallFlag(AddToPath)) ErrorLog += EditAutoexecPath(InstallDir, true);
  if (HasInstallFlag(RegisterUninstall)) WriteUninstallRecord();
  ShowProgressLine(Message(MsgProgressUninstallData).cStr());
  SetProgressPosition(ProgressDone);
  PhaseScope phase(Phase::RemovalList);
  const String uninstallDirectory = UninstallDirectory();
  if (!WriteRemovalFile(uninstallDirectory)) ErrorLog += CouldNotWriteLine(joinPath(uninstallDirectory, RemovalFileName));
}

bool restartDecided() {
  if (!HasInstallFlag(RestartRequired)) return false;
  if (AutomaticMode) return true;
  return ShowQuestionBox(Message(MsgRestartQuestion).cStr(), Message(MsgQuestionCaption).cStr(),
                        BoxYesNo | BoxIconQuestion) == AnswerYes;
}

}  // namespace

void RunInstallation(File& own) {
  {
    PhaseScope phase(Phase::Prepare);
    CheckMasterProduct();
    FindEarlierInstallation();
    InstallDir = InstallDirOverride;
    confirmIntroduction();
    showLicenseAndReadme();
    AcceptReinstall();
    if (!IsReinstall) ChooseDestination();
    runHook(Header.preInstallBatch);
  }
  readFileData(own);
  placeFiles();
  prepareUninstaller();
  leaveRecordsForUninstaller();
  PhaseScope finish(Phase::Finish);
  runHook(Header.postInstallBatch);
  CloseProgressDialog();
  WriteInstallLog(ErrorLog, ReplacementLog, InstallDir, IsReinstall, true);
  const bool restart = restartDecided();
  runHook(Header.finalBatch);
  // Directories the installation left empty; roots stay.
  removeDirectory(SharedPath);
  removeDirectory(InstallDir);
  // A restart that carries out the replacements waiting for it: a log-off
  // (what flags 0 would ask for) leaves them undone.
  if (restart) RestartWindows();
  ExitProgram();
}
