// The file records of the payload (docs/format.md#file-records): name,
// destination kind, options, data, data checksum, file time and detail text,
// one record per file in header order.
#pragma once

#include <stdint.h>

#include "archive/byte_stream.h"
#include "archive/corrupt_codes.h"
#include "archive/format.h"
#include "core/core32.h"

struct FileRecord {
  String name;  // relative to the destination directory, never leaving it
  int32_t kind = InstallDirFile;
  int32_t options = AlwaysInstall;
  // The data inside the payload stream it was read from; valid while that
  // stream is neither changed nor destroyed.
  const char* data = nullptr;
  int32_t size = 0;
  uint32_t checksum = 0;
  DateTimeStamp time = {};  // all zero: the file gets no time stamp
  String detail;             // shortcut name, font name or version text

  int32_t existenceRule() const { return options & ExistenceRuleMask; }
  bool hasTime() const { return !isEmptyTime(time); }
};

// Reads the record at the payload's position, whose data is `size` bytes
// (the header's size for this file), and checks it in this order: the name
// (CorruptFileName when empty or when it would leave its destination
// directory), the data (CorruptFileData when shorter than size), the
// checksum (CorruptFileChecksum, only with verifyChecksums), then the kind
// (CorruptFileKind) and the existence rule (CorruptExistenceRule). A record
// that runs past the end of the payload is CorruptFileData as well.
// Returns ArchiveReadOk or the code; the position is behind the record.
int ReadFileRecord(ByteStream& payload, int32_t size, bool verifyChecksums, FileRecord& record);

// True when `name` stays inside the directory it is joined to: not empty,
// no colon (no drive, no stream name), no leading backslash or slash, and
// no component made of dots and blanks alone that holds two dots (which
// the system reads as the parent directory), no component that names a
// device. Slashes separate components as backslashes do.
bool IsContainedFileName(const String& name);

// True when a path component names a device rather than a file in its
// directory: CON, PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9 in any case,
// alone or before a dot or blanks ("nul.txt", "Com1 .log"). Data written
// to such a name goes to the device, whatever directory it is joined to.
bool IsDeviceName(const char* component, size_t length);
