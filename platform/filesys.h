// The file system: the program's own and the system's directories, short and
// temporary names, existence tests, directories made and removed, whole-file
// reads and writes, attributes, free disk space and opening a document.
#pragma once

#include <stdint.h>

#include "core/containers.h"
#include "core/core32.h"
#include "core/path.h"
#include "platform/gfile.h"

// The prefix of tempFileName's names.
inline constexpr char TempFilePrefix[] = "XXX";

// The system's short (8.3) form of path; path itself when there is none.
String shortPath(PathText path);
String modulePath();       // the program's own file
String moduleDirectory();  // its directoryPart
String moduleFileName();   // its fileNamePart
String pathInModuleDirectory(PathText name);
String windowsDirectory();
String systemDirectory();
String currentDirectory();
// A new, empty, uniquely named file that the system creates in dir; "" when
// it cannot.
String tempFileName(PathText dir);

bool fileExists(PathText path);       // a file (not a directory) that can be read
bool directoryExists(PathText path);  // an existing directory
bool driveExists(char letter);        // "X:\" is a root the system knows

// True when path exists as a directory afterwards; missing parents are made
// first.
bool makeDirectories(PathText path);
// makeDirectories, or the fatal report "Unable to create directory:\r\n%s".
void createDirectoryOrDie(PathText path);
// Removes an empty directory; refuses paths of 3 characters or fewer (roots).
bool removeDirectory(PathText path);
// Deletes dir and everything below it. Refuses a null path, a drive root and
// anything below the Windows directory (also when reached through "." or
// ".."), and does not follow directory links. True only when dir itself is
// gone and nothing below it failed.
bool deleteTree(PathText dir);
// The names in dir (files and directories, without "." and ".."); false
// when dir cannot be listed.
bool listDirectory(PathText dir, List<String>& names);
// A file (not a directory) of that name exists, whether or not it can be
// opened.
bool filePresent(PathText path);
// Deletes a file; a read-only one has its attribute cleared first.
bool deleteFile(PathText path);

int fileAttributes(PathText path);  // -1 for a null path or a failure
bool setAttributes(PathText path, int attributes);
// Sets or clears only the read-only bit; true at once when already so.
bool setReadOnly(PathText path, bool on);
// The file exists and can be opened for writing (one retry after
// RetryDelayMs): the probe with WritableProbeFlags.
bool isWritable(PathText path);

int64_t fileSize(PathText path);  // -1 when it cannot be opened
bool fileTime(PathText path, DateTimeStamp& out);
// The whole file into out; false for an empty path or a file that cannot be
// opened or read (out is then empty).
bool readWholeFile(PathText path, String& out);
// Creates or truncates path and writes the bytes; false when it cannot be
// created or not everything was written.
bool writeWholeFile(PathText path, const void* bytes, int n);
bool writeWholeFile(PathText path, const String& bytes);
// Appends text at the end of path, creating it when missing.
bool appendTextToFile(PathText path, PathText text);

// Free bytes of the drive, -1 for a non-letter or a failure.
int64_t diskFree(char letter);
int64_t diskFreeAt(PathText root);
// Bytes per cluster of the drive, -1 on failure.
int bytesPerCluster(char letter);

// Opens file with the shell's default verb, the program's directory as
// working directory; true when the shell reports success.
bool runProgram(PathText file);
