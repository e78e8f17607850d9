#include "setup/shared_files.h"

#include "archive/format.h"
#include "core/path.h"
#include "platform/registry.h"
#include "platform/runtime_link.h"
#include "platform/system_version.h"
#include "setup/portable/installation_state.h"
#include "setup/portable/process_state.h"
#include "setup/portable/shared_files_text.h"

namespace {

inline constexpr char SharedCountsFailedText[] =
    "Registry error: unable to increment shared file reference counts.\r\n\r\n";
inline constexpr char MoveNotLinkedFormat[] =
    "Failed to install %s because MoveFileEx could not be linked from KERNEL32.DLL\r\n";
inline constexpr char MoveFailedFormat[] = "Failed to update system file:\r\n%s\r\n\r\n";
inline constexpr char RenameSection[] = "rename";
inline constexpr char RestartRenameFile[] = "wininit.ini";

// Where MoveFileExA is, once linked; null on the 95 family.
void* MoveFileLaterAddress = nullptr;

const RuntimeLinkEntry ReplacementLinks[] = {
    {"MoveFileExA", &MoveFileLaterAddress, true},
    {"", nullptr, false},
};

// The earlier installation counted itself once for each of its names.
void giveBackCount(const String& path) {
  const int count = ReadInteger(path.cStr(), 0);
  if (count > 1) {
    WriteInteger(path.cStr(), count - 1);
  } else {
    DeleteValue(path.cStr());
  }
}

void giveBackOldCounts() {
  int position = 0;
  String name;
  while (NextSharedName(OldSharedFiles, position, name)) giveBackCount(SharedNamePath(name, SharedPath));
}

}  // namespace

void LinkReplacementFunction() {
  if (IsWindowsNT()) LinkFunctions("kernel32.dll", ReplacementLinks);
}

void UpdateSharedFileCounts() {
  if (OpenSoftwareKey(SharedDllsKey, false, 0) == KeyNotOpened) {
    ErrorLog += SharedCountsFailedText;
    return;
  }
  if (IsReinstall) giveBackOldCounts();
  SharedFilesText.clear();
  Iterator it;
  for (String* name = SharedFileList.first(it); name != nullptr; name = SharedFileList.next(it)) {
    const String path = joinPath(SharedPath, *name);
    WriteInteger(path.cStr(), ReadInteger(path.cStr(), 0) + 1);
    AppendSharedName(SharedFilesText, *name);
  }
  CloseKey();
}

void ScheduleReplacement(const String& temporary, const String& target, String& log) {
  InstallFlags |= RestartRequired;
  if (!IsWindowsNT()) {
    // The 95 family carries out this section at its next start: the line
    // names the destination, its value the file that replaces it.
    writeProfileString(RenameSection, target.cStr(), temporary.cStr(), RestartRenameFile);
    return;
  }
  const MoveFileExFunction moveFileLater = linkedFunction<MoveFileExFunction>(MoveFileLaterAddress);
  if (moveFileLater == nullptr) {
    log.appendFormat(MoveNotLinkedFormat, target);
  } else if (!moveFileLater(temporary.cStr(), target.cStr(), MoveFileReplaceExisting | MoveFileDelayUntilReboot)) {
    log.appendFormat(MoveFailedFormat, target);
  }
}
