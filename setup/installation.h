// The installation sequence, run after the archive has been read.
#pragma once

class File;

// Installs the product described by the archive read from `own`. Returns to
// the entry, which ends the program.
void RunInstallation(File& own);
