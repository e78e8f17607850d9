#include "setup/batch_hooks.h"

#include "archive/format.h"
#include "core/path.h"
#include "platform/filesys.h"
#include "platform/gfile.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "setup/portable/autoexec_text.h"
#include "setup/portable/batch_text.h"
#include "setup/portable/process_state.h"
#include "setup/user_interface.h"

namespace {

constexpr unsigned WaitRoundMs = 1;

// Waits for the hook while keeping the installer's windows painted. A
// finished DOS window that stays open is closed for the user; a close of the
// installer's own windows ends the wait while the hook keeps running.
void waitForHook(ChildProcess& hook) {
  for (;;) {
    if (hook.hasEnded(WaitRoundMs)) return;
    if (closeTopLevelWindow(FinishedLauncherCaption)) return;
    sleepMilliseconds(WaitRoundMs);
    if (PumpPendingMessages()) return;
  }
}

bool startAndWait(const String& directory, const String& launcherPath) {
  ChildProcess hook;
  const ShowMode show = HasInstallFlag(HiddenBatch) ? ShowMode::Hidden : ShowMode::Normal;
  if (!hook.start(formatString("\"%s\"", launcherPath), directory, show, false)) return false;
  waitForHook(hook);
  return true;
}

HookEnvironment hookEnvironment(const String& directory, const String& sharedDirectory) {
  HookEnvironment environment;
  environment.installDir = directory;
  environment.sharedDir = sharedDirectory;
  environment.installerPath = modulePath();
  environment.systemDirectory = systemDirectory();
  return environment;
}

}  // namespace

bool RunBatchHook(const String& directory, const String& hookText, const String& sharedDirectory) {
  if (hookText.isBlank()) return true;
  const String launcherPath = joinPath(directory, LauncherFileName);
  const String bodyPath = joinPath(directory, BodyFileName);
  const bool dropPauses = AutomaticMode || HasInstallFlag(HiddenBatch);
  const String body = BatchBody(hookEnvironment(directory, sharedDirectory), hookText, dropPauses);
  // In the code page the command interpreter reads batch files in, so that
  // paths with letters of the upper half name the same files there.
  const bool started = writeWholeFile(launcherPath, oemBatchText(LauncherLine(CommandInterpreter, bodyPath))) &&
                       writeWholeFile(bodyPath, oemBatchText(body)) && startAndWait(directory, launcherPath);
  // Also after a failed write, which may have left a cut file behind.
  deleteFile(launcherPath);
  deleteFile(bodyPath);
  return started;
}

namespace {

bool readAll(File& file, String& text) {
  const int64_t size = file.size();
  return size >= 0 && size < StringSizeLimit && file.readRange(text, 0, static_cast<int>(size));
}

bool addLine(File& file, const String& text, const String& line) {
  const String addition = PathLineAddition(text, line);
  return addition.isEmpty() || (file.seekFromEnd(0) && file.write(addition));
}

bool removeLine(File& file, String& text, const String& line) {
  if (!RemovePathLine(text, line)) return true;
  return file.seek(0) && file.write(text) && file.truncateHere();
}

}  // namespace

String EditAutoexecPath(const String& directory, bool add) {
  const String path = AutoexecPath(bootDrive());
  File file;
  file.setFatalOnUnopenedWrite(false);
  bool opened = file.openExisting(path, true, true, true);
  if (!opened && add) opened = file.create(path, true);
  // A file that could not be read or written back is reported like one
  // that could not be opened: the user has to make the change.
  const String line = PathLine(shortPath(directory));
  String text;
  const bool edited = opened && readAll(file, text) && (add ? addLine(file, text, line) : removeLine(file, text, line));
  return edited ? String() : AutoexecFailureText(path, directory, add);
}
