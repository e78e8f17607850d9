// Functions of the system libraries that only some runs need, linked at run
// time on first use: COM for shortcuts (ole32), the folder browser and
// ShellExecuteA (shell32), the progress bar's class (comctl32), the classic
// look of the bar (uxtheme). A removal or
// a run that never reaches those steps then does not load those libraries,
// whose loading and unloading is a fixed cost of every process that imports
// them. Internal to platform/ and ui/ (it includes windows.h).
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

// ole32's functions for COM.
struct ComFunctions {
  decltype(&CoInitialize) initialize;
  decltype(&CoUninitialize) uninitialize;
  decltype(&CoCreateInstance) createInstance;
};

// shell32's functions for item lists, the folder browser and opening files.
struct ShellFunctions {
  decltype(&SHGetMalloc) getMalloc;
  decltype(&SHGetSpecialFolderLocation) specialFolderLocation;
  decltype(&SHBrowseForFolderA) browseForFolder;
  decltype(&SHGetPathFromIDListA) pathFromIdList;
  decltype(&ShellExecuteA) execute;
};

// The library's functions, linked on the first call (later calls give the
// same answer without loading again); null when the library or one of the
// functions is missing. Valid until FreeLinkedLibraries at the program's
// exit.
const ComFunctions* LinkedCom();
const ShellFunctions* LinkedShell();

// COM initialised for the thread through ole32 linked at run time;
// uninitialised again only when that worked. Not ok when ole32 cannot be
// linked.
class ComSession {
 public:
  ComSession() : com_(LinkedCom()), ok_(com_ != nullptr && SUCCEEDED(com_->initialize(nullptr))) {}
  ~ComSession() {
    if (ok_) com_->uninitialize();
  }
  ComSession(const ComSession&) = delete;
  ComSession& operator=(const ComSession&) = delete;

  bool ok() const { return ok_; }
  // The linked functions; only for an ok session.
  const ComFunctions& functions() const { return *com_; }

 private:
  const ComFunctions* com_;
  bool ok_;
};

// comctl32's InitCommonControls, which registers the progress bar's class;
// false when it cannot be linked.
bool InitCommonControlsLinked();

// Draws the window without the visual style (uxtheme's SetWindowTheme):
// nothing where the library is missing, as before XP. The program carries
// no visual-styles manifest, so Windows draws its controls the classic way
// anyway; Wine draws a common control in the style whatever the manifest,
// and its styled progress bar took about 7.5 ms a repaint.
void DrawWithoutVisualStyle(HWND window);
