#include "archive/header_reader.h"

#include <string.h>

#include "archive/codec.h"
#include "archive/signed_program.h"

namespace {

// The file sizes follow the count. Sizes that would lie beyond the end of
// the block read as zero, so only those inside it are kept and checked: a
// count that the block cannot hold allocates nothing for the missing part,
// and the end magic check refuses such a block in any case.
int readFileSizes(ByteStream& block, ArchiveHeader& header, bool& cutShort) {
  const int32_t inside = (block.remaining() + 3) / 4;  // a partial one reads as non-negative
  const int32_t kept = header.fileCount < inside ? header.fileCount : inside;
  cutShort = kept < header.fileCount;
  header.fileSizes.setCount(kept);
  bool negative = false;
  for (int32_t i = 0; i < kept; ++i) {
    int32_t size = 0;
    block.readInt(size);
    header.fileSizes[i] = size;
    negative = negative || size < 0;
  }
  const int64_t skipped = (int64_t{header.fileCount} - kept) * 4;
  block.skip(skipped > INT32_MAX ? INT32_MAX : static_cast<int32_t>(skipped));
  return negative ? CorruptFileSize : ArchiveReadOk;
}

void readTexts(ByteStream& block, String* const* texts, int count) {
  for (int i = 0; i < count; ++i) block.readString(*texts[i]);
}

void readColoursAndPicture(ByteStream& block, ArchiveHeader& header) {
  block.readInt(header.titleColor);
  if (header.has(CustomColors)) {
    block.readInt(header.topColor);
    block.readInt(header.bottomColor);
  } else {
    block.skip(8);
  }
  int32_t pictureLength = 0;
  block.readInt(pictureLength);
  // A picture that is not all there is left out (readBlock takes nothing).
  if (pictureLength > 0) block.readBlock(header.picture, pictureLength);
}

void readReserved(ByteStream& block) {
  uint8_t first = 0;
  uint8_t second = 0;
  int16_t third = 0;
  block.readByte(first);
  block.readByte(second);
  block.readShort(third);
}

// Reads the fields of an unpacked header block, from the flag word to the
// end magic; `key` is the expected checksum of the block.
int readHeaderFields(ByteStream& block, uint32_t key, ArchiveHeader& header, MessageTable& messages) {
  block.seek(0);
  block.readInt(header.installFlags);
  if (header.has(VerifyChecksums) && Checksum(block.bytes()) != key) return CorruptHeaderChecksum;
  block.readDateTime(header.stubTime);
  block.readInt(header.stubChecksum);
  block.readInt(header.fileCount);
  if (header.fileCount < 1) return CorruptFileCount;
  bool sizesCutShort = false;
  if (const int code = readFileSizes(block, header, sizesCutShort)) return code;
  block.readInt(header.payloadLength);
  if (header.payloadLength < 1) return CorruptPayloadLength;
  block.readInt(header.payloadChecksum);

  String* const productTexts[] = {&header.publisher,      &header.defaultProductName,
                                  &header.productStartMenu, &header.defaultInstallDir,
                                  &header.displayVersion, &header.productRegistry,
                                  &header.licenseText,    &header.readmeText,
                                  &header.uninstallSubdir};
  readTexts(block, productTexts, 9);
  readColoursAndPicture(block, header);
  if (header.has(RequiresMaster)) block.readString(header.masterProduct);
  String* const hooks[] = {&header.preInstallBatch, &header.postInstallBatch, &header.finalBatch,
                           &header.uninstallBatch1, &header.uninstallBatch2};
  readTexts(block, hooks, 5);
  readReserved(block);

  if (const int code = messages.read(block)) return code;
  uint32_t endMagic = 0;
  block.readInt(endMagic);
  // Sizes cut short mean the block ended early, which the end magic shows
  // too; the second test only keeps that certain.
  return endMagic == HeaderEndMagic && !sizesCutShort ? ArchiveReadOk : CorruptEndMagic;
}

}  // namespace

bool MemorySource::readAt(int64_t offset, void* buffer, int32_t n) {
  if (n < 0 || offset < 0 || offset > length_ || n > length_ - offset || (n > 0 && buffer == nullptr)) return false;
  if (n > 0) memcpy(buffer, bytes_ + offset, static_cast<size_t>(n));
  return true;
}

namespace {

// Steps 1 and 2: the trailer gives H; the prefix at H gives the magic, L and
// K. What of the prefix lies beyond the archive reads as zero.
int locateArchive(ArchiveSource& file, ArchiveHeader& header, PackageSignature& signature) {
  header.fileSize = file.size();
  FindPackageSignature(file, header.fileSize, signature);
  header.archiveEnd = signature.archiveEnd;
  header.signedPackage = signature.present;
  uint8_t trailer[ArchiveTrailerSize];
  if (header.archiveEnd < ArchiveTrailerSize ||
      !file.readAt(header.archiveEnd - ArchiveTrailerSize, trailer, ArchiveTrailerSize)) {
    return CorruptTrailer;
  }
  header.headerOffset = static_cast<int32_t>(loadLittleEndian32(trailer));
  if (header.headerOffset == 0) return NoArchivePresent;
  if (header.headerOffset < 0 || header.headerOffset > header.archiveEnd - ArchiveTrailerSize) return CorruptTrailer;

  uint8_t prefix[ArchivePrefixSize] = {};
  const int64_t behind = header.archiveEnd - header.headerOffset;
  const int32_t available = behind < ArchivePrefixSize ? static_cast<int32_t>(behind) : ArchivePrefixSize;
  if (!file.readAt(header.headerOffset, prefix, available)) memset(prefix, 0, sizeof prefix);
  if (static_cast<int32_t>(loadLittleEndian32(prefix)) != ArchiveMagic) return CorruptMagic;
  header.storedHeaderLength = static_cast<int32_t>(loadLittleEndian32(prefix + 4));
  if (header.storedHeaderLength < MinimumHeaderBlockLength) return CorruptHeaderLength;
  if (header.firstPartLength() < 0) return CorruptFirstPartLength;
  // A block the program cannot hold is as unusable as an empty one.
  if (header.storedHeaderLength > StringSizeLimit) return CorruptHeaderLength;
  header.key = loadLittleEndian32(prefix + 8);
  return ArchiveReadOk;
}

// Step 3: the stored block, unscrambled, and unpacked unless it was stored
// without packing. Its bytes lie inside the file (locateArchive saw to it).
int readHeaderBlock(ArchiveSource& file, const ArchiveHeader& header, ByteStream& block) {
  String stored(header.storedHeaderLength);
  if (!file.readAt(header.headerOffset + int64_t{ArchivePrefixSize}, stored.buffer(), header.storedHeaderLength)) {
    return CorruptFirstPartLength;
  }
  XorWithKey(stored, header.key);
  Unpack(stored);
  block.takeBytes(stored);
  return ArchiveReadOk;
}

// Step 6: the program's bytes before the header, kept for the uninstaller.
int readProgramBytes(ArchiveSource& file, ArchiveHeader& header, const PackageSignature& signature) {
  if (header.headerOffset > StringSizeLimit) return CorruptStubUnreadable;
  header.stubBytes.reset(header.headerOffset);
  if (!file.readAt(0, header.stubBytes.buffer(), header.headerOffset)) return CorruptStubUnreadable;
  if (signature.present) {
    UndoSignatureChanges(reinterpret_cast<uint8_t*>(header.stubBytes.buffer()), header.headerOffset,
                         signature.fields);
  }
  if (header.has(VerifyChecksums) && Checksum(header.stubBytes) != header.stubChecksum) return CorruptStubChecksum;
  return ArchiveReadOk;
}

}  // namespace

int ReadArchiveHeader(ArchiveSource& file, ArchiveHeader& header, MessageTable& messages) {
  messages.clear();
  ByteStream block;
  PackageSignature signature;
  int code = locateArchive(file, header, signature);
  if (code == ArchiveReadOk) code = readHeaderBlock(file, header, block);
  if (code == ArchiveReadOk) code = readHeaderFields(block, header.key, header, messages);
  if (code == ArchiveReadOk) code = readProgramBytes(file, header, signature);
  if (code != ArchiveReadOk) messages.clear();
  return code;
}

void ApplyHeaderColours(const ArchiveHeader& header, BackgroundColours& colours) {
  if (header.has(CustomColors) || !header.picture.isEmpty()) colours.title = header.titleColor;
  if (header.has(CustomColors)) {
    colours.top = header.topColor;
    colours.bottom = header.bottomColor;
    if (header.topColor != header.bottomColor) colours.mono = false;
  }
}

String StartMenuFolder(const ArchiveHeader& header, const String& productName) {
  if (!header.productStartMenu.isEmpty()) return header.productStartMenu;
  if (header.publisher.isEmpty()) return productName;
  return header.publisher + "\\" + productName;
}
