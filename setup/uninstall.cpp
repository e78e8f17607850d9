#include "archive/format.h"
#include "archive/records.h"
#include "core/path.h"
#include "platform/filesys.h"
#include "platform/fonts.h"
#include "platform/phase_profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "setup/batch_hooks.h"
#include "setup/install_log.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/removal_list.h"
#include "setup/portable/removal_texts.h"
#include "setup/portable/reports.h"
#include "setup/portable/shared_files_text.h"
#include "setup/removal.h"
#include "setup/shared_files.h"
#include "setup/uninstall_record.h"
#include "setup/user_interface.h"

namespace {

inline constexpr char NotInstalledFormat[] = "No product named '%s' is installed.";
inline constexpr char NoAccessFormat[] =
    "Unable to access the uninstall information for:\r\n%s\r\n\r\nThe uninstallation cannot be performed.";
inline constexpr char SharedCountsNotAdjustedText[] =
    "REGISTRY ERROR:  Unable to adjust shared file reference counts.\r\n\r\n";
constexpr int MaxStartMenuLevels = 20;
constexpr int MaxRegistryLevels = 20;

// What one removal reads from the uninstall record and collects on its way.
struct Removal {
  String installDir;
  String uninstallDir;
  String uninstallSubdir;
  String sharedPath;
  String fileList;  // "Uninstall.DAT" without its messages
  String errors;    // one line per thing that stayed; empty means success
};

void reportStayed(Removal& run, const String& path) {
  run.errors.appendFormat("%s %s\r\n", Message(MsgCouldNotRemove), path);
}

// Asks a Yes/No question unless in automatic mode, where the answer is Yes.
bool agreed(const String& question, int caption) {
  return AutomaticMode ||
         ShowQuestionBox(question.cStr(), Message(caption).cStr(), BoxYesNo | BoxIconQuestion) == AnswerYes;
}

bool openUninstallKey(const String& productName) {
  const String key = UninstallKey(productName);
  if (!SoftwareKeyExists(key.cStr(), false)) {
    ErrorBox(NotInstalledFormat, productName);
    return false;
  }
  if (OpenSoftwareKey(key.cStr(), false, RegOpenExisting) == KeyNotOpened) {
    ErrorBox(NoAccessFormat, productName);
    return false;
  }
  return true;
}

// The product's own look: title, colours and the saved picture.
void readAppearance(Removal& run) {
  run.installDir = ReadText("InstallLocation", "");
  // A location that is no full path (a damaged record: missing, or a
  // number) would be resolved against the current directory, which is not
  // the product's: it names no directory, so nothing is read, deleted or
  // written there.
  if (!isFullPath(run.installDir)) run.installDir.reset();
  InstallFlags = static_cast<uint32_t>(ReadInteger("ProductFlags", 0));
  if (HasInstallFlag(QuietUninstall)) AutomaticMode = true;
  DisplayTitle = ReadText("DisplayTitle", "");
  TitleColor = static_cast<Colour>(ReadInteger("TitleColor", static_cast<int>(TitleColor)));
  TopColor = static_cast<Colour>(ReadInteger("TopColor", static_cast<int>(TopColor)));
  BottomColor = static_cast<Colour>(ReadInteger("BottomColor", 0));
  MonoColor = ReadBoolean("MonoColor", true);
  run.uninstallSubdir = ReadText("UninstallSubdir", "");
  if (run.installDir.isEmpty()) run.uninstallSubdir.reset();
  run.uninstallDir = joinPath(run.installDir, run.uninstallSubdir);
  if (HasInstallFlag(BackgroundPicture) && !run.uninstallDir.isEmpty()) {
    LoadBackgroundPictureFile(joinPath(run.uninstallDir, BackgroundPictureFileName).cStr());
  }
  RepaintBackground();
  PumpPendingMessages();
}

// The file list and the messages of the chosen language.
void readRemovalFile(Removal& run) {
  if (run.uninstallDir.isEmpty()) return;
  readWholeFile(joinPath(run.uninstallDir, RemovalFileName), run.fileList);
  ReadStringsSection(run.fileList);
}

void runFirstHook(Removal& run) {
  run.sharedPath = ReadText("SharedPath", "");
  const String hook = ReadText("UninstallBatch1", "");
  if (hook.isEmpty()) return;
  RunBatchHook(run.installDir, hook, run.sharedPath);
  DeleteValue("UninstallBatch1");  // a second run must not repeat it
}

void removeFonts(Removal& run) {
  const String fonts = ReadText("ProductFonts", "");
  if (fonts.isEmpty()) return;
  String kept;
  bool removed = false;
  int position = 0;
  String name;
  String file;
  while (NextFontPair(fonts, position, name, file)) {
    const bool ask = !AutomaticMode && HasInstallFlag(ConfirmFontRemoval);
    if (ask && !agreed(formatString(Message(MsgFontRemovalQuestion).cStr(), name), MsgFontRemovalCaption)) continue;
    // The installation registered the font for the session only: after a
    // restart (or from another process) it cannot be withdrawn, and then
    // deleting its file is what removes it. Only a file that stays is
    // reported, so a later run can still finish the removal.
    // A name that would leave the Fonts folder is not ours to delete.
    const bool withdrawn = removeFontResource(file);
    const String path = joinPath(fontsDirectory(), file);
    const bool deleted = IsContainedFileName(file) && (deleteFile(path) || !filePresent(path));
    if (withdrawn || deleted) {
      removed = true;
    } else {
      reportStayed(run, file);
      AppendFontPair(kept, name, file);
    }
  }
  WriteText("ProductFonts", kept.cStr());
  if (removed) broadcastFontChange();
}

void removeFiles(Removal& run, Array<String>& directories) {
  ClearRemovalList();
  List<String> files;
  {
    PhaseScope phase(Phase::RemovalRead);
    SplitRemovalList(run.fileList, run.installDir, files, directories);
  }
  Iterator it;
  for (String* path = files.first(it); path != nullptr; path = files.next(it)) {
    // A file held locked by another program is still there and must be
    // reported, so presence is not judged by whether it opens. Asked only
    // after a failed delete: nearly every listed file is there.
    if (deleteFile(*path) || !filePresent(*path)) continue;
    reportStayed(run, *path);
    RecordForRemoval(*path, false);
  }
}

bool isUninstallerOwnFile(const String& name) {
  return name.compare(UninstallerFileName, false) == 0 || name.compare(RemovalFileName, false) == 0 ||
         name.compare(InstallLogFileName, false) == 0;
}

// The installation and uninstall directories may still hold the running
// uninstaller and its data; the self-removal takes those away afterwards,
// so they do not count as something that stayed.
bool heldOnlyByUninstaller(const Removal& run, const String& directory) {
  const bool installDir = samePath(directory, run.installDir);
  if (!installDir && !samePath(directory, run.uninstallDir)) return false;
  List<String> names;
  if (!listDirectory(directory, names)) return false;
  Iterator it;
  for (String* name = names.first(it); name != nullptr; name = names.next(it)) {
    const bool subdir = installDir && !run.uninstallSubdir.isEmpty() && name->compare(run.uninstallSubdir, false) == 0;
    if (subdir ? !heldOnlyByUninstaller(run, joinPath(directory, *name)) : !isUninstallerOwnFile(*name)) return false;
  }
  return true;
}

void removeDirectories(Removal& run, const Array<String>& directories) {
  for (int i = 0; i < directories.count(); ++i) {
    const String& directory = directories[i];
    if (removeDirectory(directory) || !directoryExists(directory)) continue;
    if (heldOnlyByUninstaller(run, directory)) continue;
    reportStayed(run, directory);
    RecordForRemoval(directory, true);
  }
}

// What stayed is written back so that a later run can try again.
void rewriteRemovalFile(Removal& run) {
  if (!run.uninstallDir.isEmpty()) {
    deleteFile(joinPath(run.uninstallDir, InstallLogFileName));
    WriteRemovalFile(run.uninstallDir);
  }
  ClearRemovalList();
}

// The product's start-menu folder and each parent it leaves empty, but
// never the Programs folder itself or anything above it.
void removeStartMenuFolder() {
  const String programs = programsDirectory();
  String folder = joinPath(programs, ReadText("ProductStartMenu", ""));
  for (int level = 0; level < MaxStartMenuLevels; ++level) {
    if (!isInside(folder, programs) || !removeDirectory(folder) || !removeFileName(folder)) return;
  }
}

void releaseSharedFile(const String& path) {
  int count = ReadInteger(path.cStr(), 0);
  if (count >= 1) {
    --count;
    if (count == 0) {
      DeleteValue(path.cStr());
    } else {
      WriteInteger(path.cStr(), count);
    }
  }
  if (count > 0 || !fileExists(path)) return;
  const bool ask = !AutomaticMode && HasInstallFlag(ConfirmSharedRemoval);
  if (!ask || agreed(formatString(Message(MsgSharedRemovalQuestion).cStr(), path), MsgSharedRemovalCaption)) {
    deleteFile(path);
  }
}

void releaseSharedFiles(Removal& run) {
  const String shared = ReadText("SharedFiles", "");
  if (!shared.isEmpty()) {
    if (OpenSoftwareKey(SharedDllsKey, false, 0) == KeyNotOpened) {
      run.errors += SharedCountsNotAdjustedText;
    } else {
      int position = 0;
      String name;
      while (NextSharedName(shared, position, name)) releaseSharedFile(SharedNamePath(name, run.sharedPath));
      CloseKey();
    }
  }
  removeDirectory(run.sharedPath);
}

// The key and each parent it leaves empty, below "Software" of one root.
void deleteProductKey(const String& path, bool perUser) {
  String key = path;
  for (int level = 0; level < MaxRegistryLevels && !key.isEmpty(); ++level) {
    const unsigned flags = level == 0 ? 0u : static_cast<unsigned>(RegOnlyIfEmpty);
    if (!DeleteSoftwareKey(key.cStr(), perUser, flags)) return;
    if (!removeFileName(key)) return;
  }
}

void deleteProductKeys() {
  const String path = ReadText("ProductRegistry", "");
  if (path.isEmpty()) return;
  deleteProductKey(path, false);
  deleteProductKey(path, true);
  DeleteValue("ProductRegistry");
}

// An empty location would name the current directory: never deleted.
void deleteInstallDirectory(const Removal& run) {
  if (!HasInstallFlag(RemoveInstallDir) || run.installDir.isBlank()) return;
  if (samePath(run.installDir, programFilesDirectory()) || samePath(run.installDir, windowsDirectory())) return;
  deleteTree(run.installDir);
}

// Only a removal that left nothing behind takes the PATH line, runs the
// last hook and forgets the product.
void finishRemoval(const Removal& run, const String& productName) {
  if (HasInstallFlag(AddToPath) && !run.installDir.isEmpty()) ErrorText(EditAutoexecPath(run.installDir, false).cStr());
  RunBatchHook(driveRoot(run.installDir), ReadText("UninstallBatch2", ""), String());
  DeleteValue("UninstallBatch2");
  DeleteSoftwareSubKey(UninstallKeyPath, productName.cStr(), false, 0);
}

bool report(const Removal& run) {
  if (run.errors.isEmpty()) {
    if (!AutomaticMode) {
      ShowQuestionBox(Message(MsgUninstallDone).cStr(), Message(MsgUninstallDoneCaption).cStr(), BoxIconInformation);
    }
    return true;
  }
  if (!AutomaticMode) {
    ShowQuestionBox(formatString(Message(MsgUninstallFailed).cStr(), run.errors).cStr(),
                   Message(MsgQuestionCaption).cStr(), BoxIconExclamation);
  }
  return false;
}

}  // namespace

bool Uninstall(const String& productName, RemovedProduct& removed) {
  PhaseScope reading(Phase::RemovalRead);
  if (!openUninstallKey(productName)) return false;
  Removal run;
  readAppearance(run);
  readRemovalFile(run);
  removed.installDir = run.installDir;
  removed.uninstallSubdir = run.uninstallSubdir;
  if (!agreed(Message(MsgUninstallQuestion), MsgUninstallCaption)) ExitProgram();
  runFirstHook(run);
  removeFonts(run);
  Array<String> directories;
  {
    PhaseScope phase(Phase::DeleteFiles);
    removeFiles(run, directories);
  }
  {
    PhaseScope phase(Phase::DeleteFolders);
    removeDirectories(run, directories);
  }
  {
    PhaseScope phase(Phase::RemovalList);
    rewriteRemovalFile(run);
  }
  {
    PhaseScope phase(Phase::Registry);
    removeStartMenuFolder();
    releaseSharedFiles(run);
    deleteProductKeys();
  }
  {
    PhaseScope phase(Phase::DeleteFolders);
    deleteInstallDirectory(run);
  }
  {
    PhaseScope phase(Phase::Registry);
    if (run.errors.isEmpty()) finishRemoval(run, productName);
    CloseKey();
  }
  PhaseScope phase(Phase::Finish);
  return report(run);
}
