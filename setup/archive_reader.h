// Reading the archive appended to the program's own file.
#pragma once

class File;

// Reads the archive of the open program file and leaves its values in the
// process-wide state; an inconsistent archive ends in CorruptArchive.
void ReadArchive(File& own);
