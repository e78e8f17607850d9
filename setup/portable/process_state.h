// The process-wide state of the installer: set up before the entry routine
// runs and alive until the process ends. The start-up fills it from the
// system and the command line; the archive header and the uninstall record
// refine it later. Window and instance handles are opaque here so that this
// header (and everything portable that reads it) needs no windows.h.
#pragma once

#include "core/core32.h"

struct OpaqueWindow;
struct OpaqueInstance;
using WindowHandle = OpaqueWindow*;      // an HWND
using InstanceHandle = OpaqueInstance*;  // an HINSTANCE

// A colour as the system stores it: 0x00BBGGRR.
using Colour = uint32_t;

extern InstanceHandle ProgramInstance;  // loads the dialog templates
extern bool AutomaticMode;              // no dialogs and no questions
extern String ProductName;              // /n:, /u: or the archive's name
extern String InstallDirOverride;       // /d:; the removal stores the directory here
extern String CommandInterpreter;       // runs the batch hooks
extern Colour TitleColor;               // background title
extern Colour TopColor;                 // single colour, or top of the gradient
extern Colour BottomColor;              // bottom of the gradient
extern bool MonoColor;                  // background drawn in TopColor only
extern String DisplayTitle;             // title painted on the background
extern WindowHandle BackgroundWindow;   // owner of every box and dialog
extern WindowHandle ProgressWindow;     // the progress dialog while it exists
extern int LanguageIndex;               // the chosen language
// The product flag word (archive/format.h's InstallFlag bits): from the
// archive header in the installer, from the uninstall record in the
// uninstaller. The installation adds RestartRequired when a file in use is
// replaced at restart.
extern uint32_t InstallFlags;

inline bool HasInstallFlag(uint32_t flag) { return (InstallFlags & flag) != 0; }
