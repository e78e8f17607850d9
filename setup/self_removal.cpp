#include "platform/filesys.h"
#include "platform/process.h"
#include "setup/portable/process_state.h"
#include "setup/portable/removal_texts.h"
#include "setup/removal.h"

namespace {

inline constexpr char SelfRemovalBatch[] = "c:\\delunins.bat";
// The title of a finished console window on the 95 family, which would
// otherwise stay open.
inline constexpr char ConsoleWindowTitle[] = "MS-DOS Prompt";

}  // namespace

int RemoveUninstaller(const RemovedProduct& removed) {
  const String text =
      SelfRemovalBatchText(modulePath(), removed.installDir, removed.uninstallSubdir, SelfRemovalBatch);
  if (!writeWholeFile(SelfRemovalBatch, oemBatchText(text))) return SelfRemovalNotWritten;
  const String command = formatString("\"%s\" /c %s", CommandInterpreter, SelfRemovalBatch);
  ChildProcess batch;
  if (!batch.start(command, nullptr, ShowMode::Minimized, true)) return SelfRemovalNotStarted;
  batch.close();  // the batch outlives this process; nobody waits for it
  sleepMilliseconds(1);
  postCloseToTopLevelWindow(ConsoleWindowTitle);
  return SelfRemovalStarted;
}
