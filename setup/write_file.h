// The one way the installation writes a file: up to three attempts, an
// optional read-back, and the archived time stamp.
#pragma once

#include <stdint.h>

#include "core/core32.h"
#include "core/date_time_stamp.h"
#include "core/path.h"

// Writes `size` bytes of `data` to `path` as a new file (no sharing), up to
// three times: after a first failed attempt to create or write, the
// read-only attribute is cleared when ClearReadOnly is set; with
// VerifyWrites an attempt counts only when the file reads back byte for
// byte. Then the last-write time becomes `time` unless it is empty. After
// the third failure message 31, a blank, the path and "\r\n" go to `log`
// and the result is false. A negative size is a corrupt archive.
bool WriteFileWithRetries(PathText path, const char* data, int32_t size, const DateTimeStamp& time,
                          String& log);

// The line the installation logs for a file it could not write.
String CouldNotWriteLine(PathText path);
