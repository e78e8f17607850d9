// Shortcuts to the installed programs and to the uninstaller, and the
// fonts the installation registers.
#pragma once

#include "core/core32.h"
#include "setup/portable/installation_state.h"

void QueueShortcut(const ShortcutRequest& request);

// Makes the shortcuts of every request in order (desktop, start menu,
// Startup folder), each recorded for removal when made and logged when
// not.
void CreateShortcuts();

// The shortcuts to the uninstaller: in the product's start-menu folder when
// a start-menu shortcut was made, and always in the uninstall directory.
void MakeUninstallShortcuts(const String& uninstaller, const String& arguments);

// Registers the font just written to `writtenPath` under its record name:
// true with the pair added to FontList; false with the path logged.
bool RegisterFont(const String& recordName, const String& fontName, const String& writtenPath);

// Tells every top-level window once that fonts changed, when any was added.
void AnnounceFontChange();
