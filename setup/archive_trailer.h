// Finding the archive behind the program's own bytes.
#pragma once

class File;

// Reads the trailer (the last four bytes of the open program file) and
// returns the header offset H, with the file positioned there. A trailer of 0
// (no archive appended) ends in the fatal box that explains the program; an
// offset that is negative or lies outside the file ends in CorruptArchive(10).
int FindArchiveHeader(File& own);
