// STAND-IN for the localized message table, until the archive reader
// provides it: every lookup gives the empty text, which is exactly what the
// reports expect before a table has been read. The archive reader replaces
// this header and its .cpp with the real `Message`.
#pragma once

#include "core/core32.h"

// Message `number` in the current language; the empty text when there is none.
const String& Message(int number);
