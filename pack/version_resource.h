// The file-version text of a Windows program or library, read from its
// version resource as the installer reads it on an installed file, and its
// comparable form (docs/format.md#system-files).
#pragma once

#include <string>

#include "pack/package.h"

// The "FileVersion" string of the U.S. English, Windows Latin-1 string
// table (040904E4) of the file's version resource, in Windows-1252; "" when
// the file is not a PE image, has no such resource or entry, or the
// resource is damaged. Never reads outside the file.
std::string fileVersionText(const Bytes& file);

// Upper-cased, every dot-separated field left-padded with '0' to ten
// characters (longer fields stay): "4.00.950" gives
// "0000000004.0000000000.0000000950". Such texts order as their versions
// when compared byte by byte.
std::string comparableVersion(const std::string& version);
