// The values an installation collects on its way: where it goes, what an
// earlier installation left, and the texts and lists the later steps need
// (the reports, shared names, fonts, shortcuts). Filled in the order of the
// sequence and alive until the process ends.
#pragma once

#include "core/containers.h"
#include "core/core32.h"

extern String InstallDir;        // the destination directory
extern String SharedPath;        // the publisher's folder for shared files; "" unless registered
extern String DefaultInstallDir; // prepared from the header at reading time
extern String ExistingLocation;  // InstallLocation of an earlier installation
extern double ExistingVersion;   // its DisplayVersion as a number; 0 when none
extern String OldSharedFiles;    // its SharedFiles text
extern bool IsReinstall;

// Problems (each line ends in "\r\n", some in a blank line) and the
// decisions of the replacement policy, for the log.
extern String ErrorLog;
extern String ReplacementLog;

// Names of the archive's shared files, one per record, in archive order.
extern List<String> SharedFileList;
// The SharedFiles text of this installation (quoted names).
extern String SharedFilesText;

// Pairs of quoted font and file names, one per registered font.
extern String FontList;
extern bool FontInstalled;

struct ShortcutRequest {
  bool desktop = false;
  bool startMenu = false;
  bool startup = false;
  String target;  // the installed file
  String name;    // the link's file name without ".LNK"
};
extern List<ShortcutRequest> ShortcutRequests;
extern bool StartMenuShortcutMade;
