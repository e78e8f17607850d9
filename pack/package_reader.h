// Reads a package back for tessapack's info, list, verify and extract: the
// same layout the installer reads, but every checksum is checked whatever
// the flags say, and every check is named in the result instead of ending
// anything.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "pack/package.h"
#include "pack/signature_info.h"

struct PackageCheck {
  std::string name;    // e.g. "payload checksum", "file 3 (\"a.txt\") data checksum"
  bool passed = false;
  std::string detail;  // what was found when it failed
};

struct PackageLayout {
  int64_t fileSize = 0;
  int64_t archiveEnd = 0;  // where the trailer ends: fileSize, or where a signature begins
  int32_t headerOffset = 0;        // H
  int32_t storedHeaderLength = 0;  // L
  uint32_t headerKey = 0;          // K
  bool headerPacked = false;
  int32_t headerLength = 0;  // unpacked
  uint32_t stubChecksum = 0;
  std::vector<int32_t> fileSizes;
  int32_t payloadLength = 0;  // as stored
  uint32_t payloadChecksum = 0;
  std::vector<int64_t> partLengths;  // part 1 in the package, then the disks
  int32_t unpackedPayloadLength = 0;
};

struct PackageContents {
  Package package;  // as far as it could be read
  PackageLayout layout;
  SignatureInfo signature;  // of the package's first file
  std::vector<PackageCheck> checks;
  bool headerRead = false;   // the header fields are all there
  bool filesRead = false;    // every record was read

  bool passed() const {
    for (const PackageCheck& c : checks) {
      if (!c.passed) return false;
    }
    return true;
  }
  const PackageCheck* firstFailure() const {
    for (const PackageCheck& c : checks) {
      if (!c.passed) return &c;
    }
    return nullptr;
  }
};

// Reads the package at path and, when its header is sound, the payload
// from it and from "Disk2.SEA" ... next to it. Throws PackError only when
// the file cannot be read at all; damage shows as failed checks.
PackageContents ReadPackage(const std::string& path);

// The same from bytes already in memory; disks holds the contents of
// Disk2.SEA, Disk3.SEA, ... (fewer than needed shows as a failed check).
PackageContents ReadPackageBytes(const Bytes& file, const std::vector<Bytes>& disks);
