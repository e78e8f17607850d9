#include "setup/extraction.h"

#include "archive/format.h"
#include "archive/records.h"
#include "core/path.h"
#include "platform/filesys.h"
#include "platform/gfile.h"
#include "platform/phase_profile.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "setup/portable/installation_state.h"
#include "setup/portable/process_state.h"
#include "setup/portable/removal_list.h"
#include "setup/portable/replacement_policy.h"
#include "setup/read_archive.h"
#include "setup/shared_files.h"
#include "setup/shortcuts_fonts.h"
#include "setup/user_interface.h"
#include "setup/write_file.h"
#include "setup/portable/localized_strings.h"

namespace {

inline constexpr char StatusFormat[] = "%s -> %s";
// The status line names the file just written, but repainting it for every
// file costs about as much as writing a small file: a name is shown when
// this much time has passed since the last one, and always for the last
// record.
constexpr unsigned StatusIntervalMs = 50;
unsigned LastStatusTick = 0;
bool StatusShown = false;

bool takesReplacementPolicy(int32_t kind) { return kind == SharedFile || kind == FontFile || kind == SystemFile; }

void queueRequests(const FileRecord& record, const String& path) {
  if (kindTakesShortcuts(record.kind) && (record.options & (DesktopShortcutOption | StartMenuShortcutOption))) {
    ShortcutRequest request;
    request.desktop = (record.options & DesktopShortcutOption) != 0;
    request.startMenu = (record.options & StartMenuShortcutOption) != 0;
    request.startup = record.kind == StartupFile;
    request.target = path;
    request.name = record.detail;
    QueueShortcut(request);
  }
  if (record.kind == SharedFile) SharedFileList.addLast(record.name);
}

// Shared and font files replace an older copy; system files a copy with a
// lower version, or without versions an older one. Logs the decision.
bool replacementAllowed(const FileRecord& record, const String& path) {
  DateTimeStamp installed;
  const bool installedKnown = fileTime(path, installed);
  if (record.kind != SystemFile) {
    const bool outOfDate = FileIsOutOfDate(record.time, installedKnown, installed);
    ReplacementLog += path;
    ReplacementLog += outOfDate ? OutOfDateLine : UpToDateLine;
    return outOfDate;
  }
  String installedVersion;
  if (!record.detail.isBlank()) installedVersion = fileVersionText(path, true);
  const SystemFileDecision decision =
      DecideSystemFile(record.detail, installedVersion, record.time, installedKnown, installed);
  // An installed file whose date cannot be read is left without a line.
  if (decision != SystemFileDecision::SkipUnknownDate) {
    ReplacementLog += path;
    ReplacementLog += SystemFileLogLine(decision);
  }
  return decision == SystemFileDecision::Replace;
}

// A file in use is written under a temporary name and replaces the real one
// at the next restart. The stand-in goes beside its target: a replacement at
// restart is a rename, which cannot cross volumes, and the installation
// directory may lie on another one. The installation directory only when
// the target's folder takes no new file. "" when no temporary file can be
// made.
String temporaryStandIn(const String& target) {
  String temporary = tempFileName(directoryPart(target));
  if (temporary.isEmpty()) temporary = tempFileName(InstallDir);
  return temporary.isEmpty() ? temporary : shortPath(temporary);
}

// The folder made for the previous file: files come folder by folder, and
// asking the file system again for each of them is what made extraction
// slow on many small files.
String LastMadeDirectory;

// The file's folder below the installation directory, made and listed for
// removal (also when it could not be made: the uninstaller tries anyway).
void prepareProductDirectory(const String& path) {
  PhaseScope phase(Phase::Directories);
  const String directory = directoryPart(path);
  if (directory.compare(InstallDir, false) != 0 && directory != LastMadeDirectory) {
    if (makeDirectories(directory)) {
      LastMadeDirectory = directory;
    } else {
      ErrorLog.appendFormat("%s %s\r\n", Message(MsgDirectoryNotCreated), directory);
    }
  }
  if (!HasInstallFlag(RemoveInstallDir)) RecordForRemoval(directory, true);
}

void showStatus(const FileRecord& record, const String& writePath, bool lastRecord) {
  PhaseScope phase(Phase::Progress);
  const unsigned now = tickCount();
  if (StatusShown && !lastRecord && now - LastStatusTick < StatusIntervalMs) return;
  StatusShown = true;
  LastStatusTick = now;
  ShowProgressText(StatusFormat, record.name, writePath);
}

void extractFile(const FileRecord& record, bool lastRecord) {
  const String path = joinPath(DestinationDirectory(record.kind), record.name);
  queueRequests(record, path);
  // Whether the file is there matters to the rules other than
  // AlwaysInstall and to the kinds with a replacement policy; the usual
  // file is written without asking (a question per file that cost a tenth
  // of the per-file time).
  bool present = false;
  if (record.existenceRule() != AlwaysInstall || takesReplacementPolicy(record.kind)) {
    PhaseScope phase(Phase::Probe);
    present = fileExists(path);
  }
  switch (ApplyExistenceRule(record.existenceRule(), present)) {
    case ExistenceDecision::Install:
      break;
    case ExistenceDecision::Skip:
      return;
    case ExistenceDecision::SkipAndRecordForRemoval:
      RecordForRemoval(path, false);
      return;
  }
  String writePath = path;
  String pendingTarget;
  if (present && takesReplacementPolicy(record.kind)) {
    if (!replacementAllowed(record, path)) return;
    if (!isWritable(path)) {
      pendingTarget = path;
      writePath = temporaryStandIn(path);
      if (writePath.isEmpty()) {
        ErrorLog += CouldNotWriteLine(path);
        return;
      }
    }
  }
  if (kindTakesShortcuts(record.kind)) {
    prepareProductDirectory(path);
    if (!HasInstallFlag(RemoveInstallDir)) RecordForRemoval(path, false);
  }
  if (!WriteFileWithRetries(writePath, record.data, record.size, record.time, ErrorLog)) return;
  if (record.kind == FontFile && !RegisterFont(record.name, record.detail, writePath)) return;
  if (!pendingTarget.isEmpty()) ScheduleReplacement(writePath, pendingTarget, ErrorLog);
  showStatus(record, writePath, lastRecord);
}

}  // namespace

String DestinationDirectory(int32_t kind) {
  switch (kind) {
    case SharedFile:
      // Without the uninstall registration there is no shared folder; the
      // installation folder keeps such files rather than the current one.
      return SharedPath.isEmpty() ? InstallDir : SharedPath;
    case FontFile:
      return fontsDirectory();
    case SystemFile:
      return systemDirectory();
    default:
      return InstallDir;
  }
}

void ExtractFiles() {
  FileRecord record;
  for (int i = 0; i < Header.fileCount; ++i) {
    ReadNextFileRecord(i, record);
    extractFile(record, i == Header.fileCount - 1);
  }
}
