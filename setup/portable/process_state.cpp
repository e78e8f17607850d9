#include "setup/portable/process_state.h"

InstanceHandle ProgramInstance = nullptr;
bool AutomaticMode = false;
String ProductName;
String InstallDirOverride;
String CommandInterpreter;
Colour TitleColor = 0;
Colour TopColor = 0;
Colour BottomColor = 0;
// True from the start-up on (it sets the default colours before anything
// reads them); false until then, so that no variable of the installer starts
// non-zero and the program needs no section of written data.
bool MonoColor = false;
String DisplayTitle;
WindowHandle BackgroundWindow = nullptr;
WindowHandle ProgressWindow = nullptr;
int LanguageIndex = 0;
uint32_t InstallFlags = 0;
