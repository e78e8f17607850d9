// Font resources: making a font file's fonts available to every program for
// this session, withdrawing them again, and telling the running programs.
#pragma once

#include "core/path.h"

// Adds the fonts of file (a bare file name is looked up in the Fonts
// folder). True when at least one font was added.
bool addFontResource(PathText file);

// Withdraws the fonts that addFontResource(file) added. True on success.
bool removeFontResource(PathText file);

// Tells all top-level windows once that the set of fonts has changed. Returns
// when every window has handled the message.
void broadcastFontChange();
