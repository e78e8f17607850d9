#include "platform/fonts.h"

#include <windows.h>

bool addFontResource(PathText file) { return AddFontResourceA(file.text()) > 0; }

bool removeFontResource(PathText file) { return RemoveFontResourceA(file.text()) != FALSE; }

void broadcastFontChange() { SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0); }
