// The removal mode: uninstalling a product by name and removing the
// uninstaller's own file afterwards.
#pragma once

#include "core/core32.h"

// Where the removed product was: what the self-removal needs.
struct RemovedProduct {
  String installDir;
  String uninstallSubdir;
};

// Removes the product named `productName` as its uninstall record
// describes it and reports the outcome. True when everything was removed;
// false otherwise or when the product is not installed. `removed` tells
// where it was.
bool Uninstall(const String& productName, RemovedProduct& removed);

// The results of RemoveUninstaller.
enum SelfRemovalResult : int { SelfRemovalStarted = 0, SelfRemovalNotWritten = 1, SelfRemovalNotStarted = 2 };

// Writes "c:\delunins.bat" and starts it in a new minimized console: once
// this process has ended, it deletes the uninstaller's file and removes the
// uninstall and installation directories when they are empty.
int RemoveUninstaller(const RemovedProduct& removed);
