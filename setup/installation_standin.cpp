// STAND-IN until the installation sequence exists: the file data is read and
// every record checked, so that a damaged payload is reported, but nothing
// is installed. The installation sequence replaces this file.
#include "setup/installation.h"

#include "setup/read_archive.h"

void RunInstallation(File& own) {
  ReadFileData(own);
  FileRecord record;
  for (int i = 0; i < Header.fileCount; ++i) ReadNextFileRecord(i, record);
}
