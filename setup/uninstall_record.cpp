#include "setup/uninstall_record.h"

#include "archive/format.h"
#include "core/datetext.h"
#include "core/path.h"
#include "platform/filesys.h"
#include "platform/phase_profile.h"
#include "platform/registry.h"
#include "platform/system_values.h"
#include "setup/portable/command_line.h"
#include "setup/portable/installation_state.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/removal_list.h"
#include "setup/portable/reports.h"
#include "setup/portable/version_number.h"
#include "setup/read_archive.h"
#include "setup/user_interface.h"
#include "setup/write_file.h"

namespace {

inline constexpr char RegistrationFailedText[] =
    "Unable to register the uninstall information.  Uninstall will not work properly.\r\n\r\n";

// The installer as its command line names it (".EXE" added when the name
// has no extension).
String installSource() { return OwnFileName(ProcessCommandLine()); }

void writeVersionParts() {
  int32_t major = 0;
  int32_t minor = 0;
  if (!VersionParts(Header.displayVersion, major, minor)) return;
  WriteInteger("VersionMajor", major);
  WriteInteger("VersionMinor", minor);
}

void writeColours() {
  if (HasInstallFlag(CustomColors) || HasInstallFlag(BackgroundPicture)) {
    WriteInteger("TitleColor", static_cast<int>(TitleColor));
  } else {
    DeleteValue("TitleColor");
  }
  WriteInteger("TopColor", static_cast<int>(TopColor));
  WriteInteger("BottomColor", static_cast<int>(BottomColor));
  WriteInteger("MonoColor", MonoColor ? 1 : 0);
}

// The values in their fixed order; a text marked RegDeleteEmpty is removed
// when empty, so that a reinstall clears what the product no longer has.
String writeValues() {
  const String uninstallString = UninstallCommand(UninstallerPath(), UninstallArguments(), false);
  WriteText("UninstallString", uninstallString.cStr());
  WriteText("QuietUninstallString", UninstallCommand(UninstallerPath(), UninstallArguments(), true).cStr());
  WriteText("DisplayName", ProductName.cStr());
  WriteText("InstallSource", installSource().cStr());
  WriteText("DisplayVersion", Header.displayVersion.cStr(), RegDeleteEmpty);
  WriteText("Publisher", Header.publisher.cStr(), RegDeleteEmpty);
  WriteText("InstallLocation", InstallDir.cStr());
  WriteText("InstallDate", timeStampText().cStr());
  writeVersionParts();
  WriteText("ProductRegistry", Header.productRegistry.cStr(), RegDeleteEmpty);
  WriteText("ProductStartMenu", Header.productStartMenu.cStr(), RegDeleteEmpty);
  WriteText("SharedPath", SharedPath.cStr(), RegDeleteEmpty);
  WriteText("ProductFonts", FontList.cStr(), RegDeleteEmpty);
  WriteInteger("ProductFlags", static_cast<int>(InstallFlags));
  WriteText("UninstallBatch1", Header.uninstallBatch1.cStr(), RegDeleteEmpty);
  WriteText("UninstallBatch2", Header.uninstallBatch2.cStr(), RegDeleteEmpty);
  WriteText("SharedFiles", SharedFilesText.cStr(), RegDeleteEmpty);
  WriteText("UninstallSubdir", Header.uninstallSubdir.cStr(), RegDeleteEmpty);
  WriteText("DisplayTitle", DisplayTitle.cStr());
  writeColours();
  return uninstallString;
}

}  // namespace

String UninstallKey(const String& productName) {
  return formatString("%s\\%s", UninstallKeyPath, productName);
}

String UninstallDirectory() { return joinPath(InstallDir, Header.uninstallSubdir); }

String UninstallerPath() { return joinPath(UninstallDirectory(), UninstallerFileName); }

String UninstallArguments() { return formatString("/u:\"%s\"", ProductName); }

void WriteUninstallRecord() {
  // Through a text of its own: handing ErrorLog itself to the write here
  // crashes the link-time optimiser of the MinGW compiler (GCC 12).
  String log;
  {
    PhaseScope phase(Phase::UninstallerCopy, true);
    WriteFileWithRetries(UninstallerPath(), Header.stubBytes.cStr(), Header.stubBytes.length(), Header.stubTime, log);
  }
  ErrorLog += log;
  PhaseScope phase(Phase::Registry);
  if (OpenSoftwareKey(UninstallKey(ProductName).cStr(), false, 0) == KeyNotOpened) {
    ErrorLog += RegistrationFailedText;
    return;
  }
  const String written = writeValues();
  const bool readBack = ReadText("UninstallString", "") == written;
  CloseKey();
  if (!readBack) ErrorLog += RegistrationFailedText;
}

bool WriteRemovalFile(const String& uninstallDirectory) {
  const String path = joinPath(uninstallDirectory, RemovalFileName);
  if (RemovalListText().isEmpty()) {
    deleteFile(path);
    return true;
  }
  String content = RemovalListText();
  WriteStringsSection(content);
  return writeWholeFile(path, content);
}

void SaveBackgroundForUninstaller() {
  if (!HasBackgroundPicture() || !HasInstallFlag(BackgroundPicture)) return;
  const String path = joinPath(UninstallDirectory(), BackgroundPictureFileName);
  SaveBackgroundPicture(path.cStr());
  RecordForRemoval(path, false);
}
