// Taking the files out of the read file data: each record is read, placed
// by its destination kind, checked against what is already there, written,
// and noted for the later steps (removal list, shared names, fonts,
// shortcut requests, replacements at restart).
#pragma once

#include "core/core32.h"

// The per-file loop over every record of the file data, in archive order.
// A corrupt record ends the program after the earlier files were written;
// a file that cannot be written is logged and the loop goes on.
void ExtractFiles();

// The directory a destination kind places its files in.
String DestinationDirectory(int32_t kind);
