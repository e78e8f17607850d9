// Reading the archive of the program's own file (module sea): the header
// right after start-up, the language choice, and the file data with its
// records when the installation reaches its extraction step. Every
// inconsistency ends the program in CorruptArchive with its code.
#pragma once

#include "archive/byte_stream.h"
#include "archive/header_reader.h"
#include "archive/records.h"

class File;

// The header values of the package, read by ReadArchive; alive until the
// process ends. Header.installFlags is the product flag word InstallFlags.
extern ArchiveHeader Header;

// The file data, filled by ReadFileData and read by ReadNextFileRecord.
extern ByteStream PayloadStream;

// Reads the archive behind the program in `own` and leaves its values in the
// process-wide state: Header (with the program's own bytes for the
// uninstaller), the message table, ProductName unless the command line set
// it, AutomaticMode with ForceAutomatic, the background colours and the
// start-menu folder. A program without an archive ends in the fatal box
// that explains the program; a damaged archive in CorruptArchive, with the
// built-in text since no message table exists yet.
void ReadArchive(File& own);

// Sets LanguageIndex (the language dialog when the package has several
// languages and AutomaticMode is off; leaving that dialog ends the program)
// and DisplayTitle, and has the background repainted with the title.
void ChooseLanguage();

// Reads the file data: the first part behind the header in `own`, then
// "Disk2.SEA", "Disk3.SEA", ... from the program's directory (asking for
// each one until it can be opened, or the user gives up), until
// PayloadLength bytes are there; checks the payload checksum and unpacks a
// packed payload. Moves the progress bar from 5 to 40 percent.
void ReadFileData(File& own);

// Reads and checks file record `index` (0 to FileCount - 1, in order) from
// PayloadStream after ReadFileData, setting the progress bar first.
void ReadNextFileRecord(int index, FileRecord& record);
