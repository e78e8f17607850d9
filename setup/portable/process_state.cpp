#include "setup/portable/process_state.h"

InstanceHandle ProgramInstance = nullptr;
bool AutomaticMode = false;
String ProductName;
String InstallDirOverride;
String CommandInterpreter;
Colour TitleColor = 0;
Colour TopColor = 0;
Colour BottomColor = 0;
bool MonoColor = true;
String DisplayTitle;
WindowHandle BackgroundWindow = nullptr;
WindowHandle ProgressWindow = nullptr;
int LanguageIndex = 0;
