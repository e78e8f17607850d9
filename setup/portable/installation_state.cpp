#include "setup/portable/installation_state.h"

String InstallDir;
String SharedPath;
String DefaultInstallDir;
String ExistingLocation;
double ExistingVersion = 0.0;
String OldSharedFiles;
bool IsReinstall = false;
String ErrorLog;
String ReplacementLog;
List<String> SharedFileList;
String SharedFilesText;
String FontList;
bool FontInstalled = false;
List<ShortcutRequest> ShortcutRequests;
bool StartMenuShortcutMade = false;
