// What the system already holds of this product or of the product it
// extends: the master product, an earlier installation, and the question
// whether to install over it.
#pragma once

#include "core/core32.h"

// True when the product's uninstall key exists and holds an uninstall
// command (UninstallString or QuietUninstallString); `location` is then its
// InstallLocation (empty when missing), else cleared.
bool IsProductInstalled(const String& productName, String& location);

// With RequiresMaster: ends the program with message 12 when the master
// product is not installed; otherwise a default directory of "<master>"
// becomes the master's location.
void CheckMasterProduct();

// With RegisterUninstall: ExistingLocation, ExistingVersion and
// OldSharedFiles from the product's uninstall key, when it exists.
void FindEarlierInstallation();

// With RegisterUninstall and an earlier installation present: refuses it
// under NoReinstall (message 9, shown even in automatic mode), asks the
// reinstall question unless in automatic mode, and installs over it
// (IsReinstall, InstallDir = ExistingLocation). Declining ends the program.
void AcceptReinstall();
