// Placeholders until the batch hooks and the install log land: nothing runs
// and nothing is logged.
#include "setup/batch_hooks.h"
#include "setup/install_log.h"

bool RunBatchHook(const String&, const String&, const String&) { return true; }
String EditAutoexecPath(const String&, bool) { return String(); }
void WriteInstallLog(String, const String&, const String&, bool, bool) {}
