// Version texts as numbers: the installed and the offered version of the
// reinstall question, and the major and minor numbers of the uninstall
// record.
#pragma once

#include <stdint.h>

#include "core/core32.h"

// The first number anywhere in the text, commas ignored ("1,234.5" gives
// 1234.5, "v3" gives 3); 0 when there is none. The reading of the installed
// DisplayVersion.
double VersionNumber(const String& text);

// The decimal number at the start of the text as the C runtime's atof reads
// it: leading blanks, an optional sign, digits with an optional point, an
// optional exponent; 0 when no digit comes first. Hexadecimal, "inf" and
// "nan", which runtimes read differently, are not numbers here. The reading
// of the package's DisplayVersion.
double LeadingNumber(const String& text);

// The first line of the reinstall question by message number: version
// unknown (either is 0 or not a number), the same, the installed one older,
// the installed one newer.
int ReinstallQuestionText(double installed, double offered);

// The VersionMajor and VersionMinor of a display version. False, both left
// as they are, when the text has no "."; otherwise major is the first number
// in the text (commas ignored) and minor the signed decimal number right
// after the first "." (0 when none): "2.10" gives 2 and 10.
bool VersionParts(const String& displayVersion, int32_t& major, int32_t& minor);
