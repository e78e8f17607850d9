// Packages with a code signature (docs/format.md#signed-packages).
//
// A signer appends a certificate table to the whole package, points the
// program's security data directory at it and rewrites the program's PE
// checksum field; it may pad the file with up to 7 zero bytes so that the
// table starts on an 8-byte boundary. These functions find the table, the
// end of the package as it was before signing, and restore the two header
// fields to what the builder wrote (PE checksum 0, no security directory),
// so that the archive reads as it did unsigned. Portable: they read through
// an ArchiveSource or from bytes, and use nothing of the system.
#pragma once

#include <stdint.h>

#include "archive/header_reader.h"

// Where the fields the signer changes lie in a program's PE header.
struct ProgramHeaderFields {
  int32_t checksumOffset = 0;         // the 4-byte PE checksum field
  int32_t securityEntryOffset = 0;    // the 8-byte security directory entry
  uint32_t securityTableOffset = 0;   // the entry as it stands: a file offset
  uint32_t securityTableLength = 0;
  uint32_t headersSize = 0;           // SizeOfHeaders: the program's headers end here
};

// The PE header of the program whose first `length` bytes are `bytes` (the
// header lies within the first PeHeaderReadLength bytes of a program the
// builder accepts). False when they are no PE program with a security
// directory entry; `fields` is then untouched.
constexpr int32_t PeHeaderReadLength = 1024;
bool FindProgramHeaderFields(const uint8_t* bytes, int32_t length, ProgramHeaderFields& fields);

// What a package's signature changed, as ReadArchiveHeader needs it.
struct PackageSignature {
  bool present = false;  // a certificate table ends at the end of the file
  ProgramHeaderFields fields;
  int64_t archiveEnd = 0;  // the end of the trailer: the unsigned file's size
};

// Finds the signature of `file` (whose size is fileSize; files shorter than
// PeHeaderReadLength or longer than 4 GiB have none). Without one,
// archiveEnd is fileSize and the package reads exactly as an unsigned one.
// With one, the archive ends before the table: the trailer is the last 4
// bytes before it, or, when the signer padded, the last 4 before the zero
// padding. The padding is told apart from a trailer ending in zero bytes by
// taking the shortest padding whose trailer names an offset past the
// program's headers where the archive magic stands; when none does, the
// archive ends at the table and the trailer read there decides.
void FindPackageSignature(ArchiveSource& file, int64_t fileSize, PackageSignature& signature);

// Puts back the builder's values of the two fields in the program's bytes
// (`length` of them, from offset 0): checksum 0 and an empty security
// directory entry. Fields beyond `length` are left alone.
void UndoSignatureChanges(uint8_t* program, int32_t length, const ProgramHeaderFields& fields);
