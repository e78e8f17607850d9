// What the installation leaves for its uninstaller: "Uninstall.EXE" (the
// program without its archive), the values under the system's uninstall
// key, "Uninstall.DAT" (the removal list and the uninstaller's messages)
// and the background picture.
#pragma once

#include "core/core32.h"

// Below "Software" of HKEY_LOCAL_MACHINE, then a backslash and the product.
constexpr char UninstallKeyPath[] = "Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char RemovalFileName[] = "Uninstall.DAT";

// The product's key below "Software": UninstallKeyPath, a backslash and
// `productName`.
String UninstallKey(const String& productName);

// InstallDir joined with the uninstall subdirectory.
String UninstallDirectory();
// The uninstaller's file and its arguments for the product.
String UninstallerPath();
String UninstallArguments();

// Writes "Uninstall.EXE" and the registry values of the product; a failed
// key or read-back adds its line to ErrorLog.
void WriteUninstallRecord();

// Writes "Uninstall.DAT" in `uninstallDirectory`: the removal list and
// the uninstaller's messages of the current language; deletes it when the
// removal list is empty. False when the file could not be written.
bool WriteRemovalFile(const String& uninstallDirectory);

// Saves the archive's background picture as "Installer Background.BMP" in
// the uninstall directory (when the product shows one) and lists it for
// removal.
void SaveBackgroundForUninstaller();
