// Reading a package's archive: the trailer, the archive prefix, the stored
// header block with its fields and the program's own bytes
// (docs/format.md#package-file, #header-block).
//
// The reader works on any ArchiveSource, so the same code reads the
// program's own file in the installer and a buffer in the tests and the
// fuzzers. It reports what it finds as a CorruptCode and never ends the
// program itself.
#pragma once

#include <stdint.h>

#include "archive/corrupt_codes.h"
#include "archive/format.h"
#include "archive/messages.h"
#include "core/containers.h"
#include "core/core32.h"

// Random access to the bytes of a package file.
class ArchiveSource {
 public:
  virtual ~ArchiveSource() = default;
  // The size of the whole file; negative when it cannot be told.
  virtual int64_t size() = 0;
  // Exactly n bytes at offset into buffer; false when they cannot all be read.
  virtual bool readAt(int64_t offset, void* buffer, int32_t n) = 0;
};

// A package held in memory; the bytes must outlive the source.
class MemorySource : public ArchiveSource {
 public:
  MemorySource(const void* bytes, int64_t length)
      : bytes_(static_cast<const uint8_t*>(bytes)), length_(length) {}
  int64_t size() override { return length_; }
  bool readAt(int64_t offset, void* buffer, int32_t n) override;

 private:
  const uint8_t* bytes_;
  int64_t length_;
};

// The result of ReadArchiveHeader when the trailer is 0: the program
// carries no archive.
constexpr int NoArchivePresent = -1;

// Everything the header block holds, in read order, and where the archive
// lies in the file. Texts are as stored.
struct ArchiveHeader {
  int64_t fileSize = 0;            // S
  // Where the trailer ends: S, or in a signed package where the signature
  // (and the signer's padding) begins.
  int64_t archiveEnd = 0;
  bool signedPackage = false;
  int32_t headerOffset = 0;        // H, from the trailer
  int32_t storedHeaderLength = 0;  // L
  uint32_t key = 0;                // K

  uint32_t installFlags = 0;
  DateTimeStamp stubTime = {};
  uint32_t stubChecksum = 0;
  int32_t fileCount = 0;
  Array<int32_t> fileSizes;  // fileCount entries, none negative
  int32_t payloadLength = 0;
  uint32_t payloadChecksum = 0;
  String publisher;
  String defaultProductName;
  String productStartMenu;
  String defaultInstallDir;
  String displayVersion;
  String productRegistry;
  String licenseText;
  String readmeText;
  String uninstallSubdir;
  uint32_t titleColor = 0;
  uint32_t topColor = 0;     // read only with CustomColors
  uint32_t bottomColor = 0;  // read only with CustomColors
  String picture;            // the background picture; empty for none
  String masterProduct;      // read only with RequiresMaster
  String preInstallBatch;
  String postInstallBatch;
  String finalBatch;
  String uninstallBatch1;
  String uninstallBatch2;

  // The program's bytes 0 to H - 1, in a signed package with the signer's
  // two header changes undone: the uninstaller is written from them, and
  // carries no signature of its own.
  String stubBytes;

  bool has(uint32_t flag) const { return (installFlags & flag) != 0; }
  // Where the payload's first part starts, and its length up to the trailer
  // (never negative once the header has been read).
  int64_t payloadOffset() const { return int64_t{headerOffset} + ArchivePrefixSize + storedHeaderLength; }
  int64_t firstPartLength() const { return archiveEnd - payloadOffset() - ArchiveTrailerSize; }
};

// Reads the archive of `file` in the order whose first failing check names
// the code: the trailer (before the signature of a signed package), the prefix (magic, L, K), the header block
// (unscrambled with K, unpacked unless it is stored without packing), its
// checksum with VerifyChecksums, every field, and last the program's bytes
// with their checksum (over the bytes as the builder wrote them, the
// signer's changes undone).
//
// Returns ArchiveReadOk, NoArchivePresent, or a CorruptCode. `messages`
// receives the language names and the message table, and stays empty
// unless the result is ArchiveReadOk.
//
// A header block longer than what lies between the prefix and the trailer
// is refused with CorruptFirstPartLength before anything is allocated for
// it: the first part of the payload would have a negative length.
int ReadArchiveHeader(ArchiveSource& file, ArchiveHeader& header, MessageTable& messages);

// The background colours the header gives: the title colour with
// CustomColors or a picture; top and bottom with CustomColors, which also
// make the background single-coloured only when they are equal.
struct BackgroundColours {
  uint32_t title;
  uint32_t top;
  uint32_t bottom;
  bool mono;
};
void ApplyHeaderColours(const ArchiveHeader& header, BackgroundColours& colours);

// The start-menu folder: the header's, or when it is empty the publisher, a
// backslash and the product name (only the product name without publisher).
String StartMenuFolder(const ArchiveHeader& header, const String& productName);
