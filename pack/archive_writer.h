// The archive writer: lays out a program (the stub) and a Package as one
// installable file, optionally continued in "Disk%d.SEA" files
// (docs/format.md#package-file). tessapack and the tests share it.
#pragma once

#include <stdint.h>

#include <vector>

#include "pack/package.h"
#include "pack/packer.h"

// The most payload (as stored) and the largest unpacked header or payload
// the installer can hold: its byte streams end at 1 GiB.
constexpr int64_t MaxStoredBlockLength = (int64_t{1} << 30) - (int64_t{1} << 20);

struct ArchiveOptions {
  // The header block is packed unless this is false (the installer reads
  // an unpacked header block as it stands).
  bool packHeader = true;
  // Level of both blocks. The payload is packed when the header's flag
  // word has PackedPayload.
  PackLevel level = PackLevel::Best;
  // Largest size of each output file, the package included; 0 puts
  // everything into the package.
  int64_t diskSize = 0;
  // Progress of packing the payload, in payload bytes.
  PackProgress progress;
};

struct ArchiveImage {
  Bytes package;             // stub, archive header, first payload part, trailer
  std::vector<Bytes> disks;  // the contents of Disk2.SEA, Disk3.SEA, ...
  // Where things landed, for reports and tests.
  int32_t headerOffset = 0;        // H: the stub's length
  int32_t storedHeaderLength = 0;  // L
  uint32_t headerKey = 0;          // K
  int32_t payloadLength = 0;       // as stored, over all parts
};

// The unpacked header block for these files and checksums; throws
// PackError when a field cannot be stored (a NUL inside a text, a message
// table that does not fit the language list, counts out of range).
Bytes HeaderBlock(const PackageHeader& header, const std::vector<PackageFile>& files,
                  uint32_t stubChecksum, int32_t payloadLength, uint32_t payloadChecksum);

// The file records, one after the other, unpacked.
Bytes PayloadRecords(const std::vector<PackageFile>& files);

// The whole package; throws PackError for anything the installer could not
// read, naming the field, file or limit.
ArchiveImage WriteArchive(const Bytes& stub, const Package& package, const ArchiveOptions& options);
