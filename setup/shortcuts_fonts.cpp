#include "setup/shortcuts_fonts.h"

#include "core/path.h"
#include "platform/fonts.h"
#include "platform/shell.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/removal_list.h"
#include "setup/portable/removal_texts.h"
#include "setup/read_archive.h"
#include "setup/write_file.h"

namespace {

// A made link is removed with the product; a failed one is reported.
void noteShortcut(bool made, const String& linkPath) {
  if (made) {
    RecordForRemoval(linkPath, false);
  } else {
    ErrorLog += CouldNotWriteLine(linkPath);
  }
}

bool makeInFolder(const String& folder, const String& name, const String& target, const char* arguments,
                  const char* workingDirectory) {
  String link = joinPath(folder, name);
  const bool made = createShortcut(link, target.cStr(), arguments, workingDirectory);
  noteShortcut(made, link);
  return made;
}

void makeRequested(const ShortcutRequest& request) {
  if (request.desktop) makeInFolder(desktopDirectory(), request.name, request.target, "", InstallDir.cStr());
  if (request.startMenu) {
    const String name = joinPath(Header.productStartMenu, request.name);
    if (makeInFolder(programsDirectory(), name, request.target, "", InstallDir.cStr())) StartMenuShortcutMade = true;
  }
  if (request.startup) makeInFolder(startupDirectory(), request.name, request.target, "", InstallDir.cStr());
}

}  // namespace

void QueueShortcut(const ShortcutRequest& request) { ShortcutRequests.addLast(request); }

void CreateShortcuts() {
  Iterator it;
  for (ShortcutRequest* request = ShortcutRequests.first(it); request != nullptr;
       request = ShortcutRequests.next(it)) {
    makeRequested(*request);
  }
}

void MakeUninstallShortcuts(const String& uninstaller, const String& arguments) {
  const String name = formatString("%s %s", Message(MsgUninstallShortcut), ProductName);
  if (StartMenuShortcutMade) {
    makeInFolder(programsDirectory(), joinPath(Header.productStartMenu, name), uninstaller, arguments.cStr(),
                 nullptr);
  }
  makeInFolder(InstallDir, joinPath(Header.uninstallSubdir, name), uninstaller, arguments.cStr(), nullptr);
}

bool RegisterFont(const String& recordName, const String& fontName, const String& writtenPath) {
  if (!addFontResource(recordName.cStr())) {
    ErrorLog += CouldNotWriteLine(writtenPath);
    return false;
  }
  AppendFontPair(FontList, fontName, recordName);
  FontInstalled = true;
  return true;
}

void AnnounceFontChange() {
  if (FontInstalled) broadcastFontChange();
}
