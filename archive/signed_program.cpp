#include "archive/signed_program.h"

#include <string.h>

#include "archive/format.h"

namespace {

// The PE layout (the offsets of the Portable Executable format).
constexpr int32_t NewHeaderPointerOffset = 0x3C;
constexpr uint32_t PeSignature = 0x00004550;  // "PE\0\0"
constexpr int32_t OptionalHeaderOffset = 24;   // behind the signature and the file header
constexpr int32_t OptionalHeaderSizeOffset = 20;
constexpr uint16_t Pe32Magic = 0x10B;
constexpr uint16_t Pe32PlusMagic = 0x20B;
constexpr int32_t HeadersSizeOffset = 60;  // within the optional header, both kinds
constexpr int32_t ChecksumOffset = 64;
constexpr int32_t Pe32DirectoryCountOffset = 92;
constexpr int32_t Pe32PlusDirectoryCountOffset = 108;
constexpr int32_t DirectoryEntrySize = 8;
constexpr uint32_t SecurityDirectoryIndex = 4;
// The signer starts the table on this boundary, padding with zero bytes.
constexpr int SignerAlignment = 8;

bool allZero(const uint8_t* bytes, int n) {
  for (int i = 0; i < n; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

// Whether a trailer read `end` bytes into the file names an archive: an
// offset past the program's headers, with the archive magic there.
bool namesArchive(ArchiveSource& file, int64_t end, uint32_t headersSize) {
  uint8_t word[ArchiveTrailerSize];
  if (end < ArchiveTrailerSize || !file.readAt(end - ArchiveTrailerSize, word, ArchiveTrailerSize)) return false;
  const int64_t offset = loadLittleEndian32(word);
  if (offset < headersSize || offset > end - ArchiveTrailerSize - ArchivePrefixSize) return false;
  uint8_t magic[4];
  return file.readAt(offset, magic, 4) && static_cast<int32_t>(loadLittleEndian32(magic)) == ArchiveMagic;
}

}  // namespace

bool FindProgramHeaderFields(const uint8_t* bytes, int32_t length, ProgramHeaderFields& fields) {
  if (bytes == nullptr || length < NewHeaderPointerOffset + 4 || bytes[0] != 'M' || bytes[1] != 'Z') return false;
  const uint32_t pe = loadLittleEndian32(bytes + NewHeaderPointerOffset);
  const int64_t optional = int64_t{pe} + OptionalHeaderOffset;
  if (optional + Pe32PlusDirectoryCountOffset + 4 > length || loadLittleEndian32(bytes + pe) != PeSignature)
    return false;
  const uint16_t magic = loadLittleEndian16(bytes + optional);
  if (magic != Pe32Magic && magic != Pe32PlusMagic) return false;
  const int32_t countOffset = magic == Pe32Magic ? Pe32DirectoryCountOffset : Pe32PlusDirectoryCountOffset;
  const int64_t entry = optional + countOffset + 4 + int64_t{SecurityDirectoryIndex} * DirectoryEntrySize;
  const uint16_t optionalSize = loadLittleEndian16(bytes + pe + OptionalHeaderSizeOffset);
  if (loadLittleEndian32(bytes + optional + countOffset) <= SecurityDirectoryIndex ||
      entry + DirectoryEntrySize > optional + optionalSize || entry + DirectoryEntrySize > length)
    return false;
  fields.checksumOffset = static_cast<int32_t>(optional + ChecksumOffset);
  fields.securityEntryOffset = static_cast<int32_t>(entry);
  fields.securityTableOffset = loadLittleEndian32(bytes + entry);
  fields.securityTableLength = loadLittleEndian32(bytes + entry + 4);
  fields.headersSize = loadLittleEndian32(bytes + optional + HeadersSizeOffset);
  return true;
}

void FindPackageSignature(ArchiveSource& file, int64_t fileSize, PackageSignature& signature) {
  signature = PackageSignature();
  signature.archiveEnd = fileSize;
  uint8_t head[PeHeaderReadLength];
  const int32_t headLength = fileSize < PeHeaderReadLength ? static_cast<int32_t>(fileSize) : PeHeaderReadLength;
  ProgramHeaderFields fields;
  if (headLength <= 0 || !file.readAt(0, head, headLength) || !FindProgramHeaderFields(head, headLength, fields))
    return;
  const int64_t table = fields.securityTableOffset;
  if (fields.securityTableLength == 0 || table < fields.headersSize || table + fields.securityTableLength != fileSize)
    return;
  signature.present = true;
  signature.fields = fields;
  signature.archiveEnd = table;
  uint8_t tail[SignerAlignment] = {};
  const int tailLength = table < SignerAlignment ? static_cast<int>(table) : SignerAlignment;
  if (!file.readAt(table - tailLength, tail, tailLength)) return;
  for (int padding = 0; padding < SignerAlignment && padding < tailLength; ++padding) {
    if (!allZero(tail + tailLength - padding, padding)) break;
    if (namesArchive(file, table - padding, fields.headersSize)) {
      signature.archiveEnd = table - padding;
      return;
    }
  }
}

void UndoSignatureChanges(uint8_t* program, int32_t length, const ProgramHeaderFields& fields) {
  if (fields.checksumOffset > 0 && fields.checksumOffset + 4 <= length) memset(program + fields.checksumOffset, 0, 4);
  if (fields.securityEntryOffset > 0 && fields.securityEntryOffset + DirectoryEntrySize <= length)
    memset(program + fields.securityEntryOffset, 0, DirectoryEntrySize);
}
