// The corrupt-archive codes: each check that finds a package inconsistent
// has its own number, shown in the corrupt-archive report
// (the numbers in docs/format.md#header-block and #file-records). The
// readers return them; the program reports them.
#pragma once

enum CorruptCode : int {
  ArchiveReadOk = 0,
  CorruptDataLength = 5,         // a file's data to be written has a negative length
  CorruptTrailer = 10,           // header offset negative or outside the file
  CorruptMagic = 20,             // header magic is not 12345678
  CorruptHeaderLength = 22,      // stored header block length below 1
  CorruptHeaderChecksum = 25,    // unpacked header block checksum differs from the key
  CorruptFileCount = 27,         // file count below 1
  CorruptFileSize = 28,          // a file size in the header is negative
  CorruptPayloadLength = 29,     // payload length below 1
  CorruptLanguageCount = 30,     // no language
  CorruptMessageCount = 31,      // message count outside 1 to 10000
  CorruptEndMagic = 32,          // the header's end magic is missing
  CorruptStubUnreadable = 35,    // the program's bytes before the header cannot be read
  CorruptStubChecksum = 40,      // their checksum differs from the stored one
  CorruptFirstPartLength = 45,   // the first payload part would have a negative length
  CorruptPartUnreadable = 50,    // a part of the payload cannot be read
  CorruptPayloadChecksum = 55,   // checksum of the whole payload differs
  CorruptPackedPayload = 60,     // a packed payload cannot be unpacked
  CorruptFileName = 70,          // a record's file name is empty or leaves its directory
  CorruptFileData = 90,          // a record's data is shorter than its size
  CorruptFileChecksum = 100,     // a record's data checksum differs
  CorruptFileKind = 110,         // unknown destination kind
  CorruptExistenceRule = 112,    // existence rule 1 (the value 4 in the options)
};
