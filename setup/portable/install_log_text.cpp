#include "setup/portable/install_log_text.h"

#include "setup/portable/reports.h"

String InstallLogText(const InstallLogEntry& entry) {
  String text;
  text.appendFormat("\r\nInstallation log for: %s\r\n", entry.productName);
  text.appendFormat("Install date: %s\r\n", entry.installDate);
  text.appendFormat("Install type: %s\r\n", entry.isReinstall ? "Reinstall" : "New");
  text.appendFormat("Install location: %s\r\n", entry.installDir);
  text.appendFormat("Installer version: %.1f\r\n", TessaformVersion);
  if (!entry.productVersion.isBlank()) text.appendFormat("Product version: %s\r\n", entry.productVersion);
  text += "\r\n";
  if (!entry.replacementLog.isEmpty()) {
    text += entry.replacementLog;
    text += "\r\n";
  }
  text += entry.errorLog;
  return text;
}

bool ShouldWriteInstallLog(bool alwaysWriteLog, bool succeeded, const String& replacementLog) {
  return alwaysWriteLog || !succeeded || !replacementLog.isEmpty();
}
