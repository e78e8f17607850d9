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

}  // namespace

bool FindProgramHeaderFields(const uint8_t* bytes, int32_t length, ProgramHeaderFields& fields) {
  // Everything up to the PE32+ directory count must lie inside `length`;
  // then no offset below can overflow.
  constexpr uint32_t Minimum = OptionalHeaderOffset + Pe32PlusDirectoryCountOffset + 4;
  if (bytes == nullptr || length < NewHeaderPointerOffset + 4 || bytes[0] != 'M' || bytes[1] != 'Z') return false;
  const uint32_t pe = loadLittleEndian32(bytes + NewHeaderPointerOffset);
  const uint32_t optional = pe + OptionalHeaderOffset;
  if (static_cast<uint32_t>(length) < Minimum || pe > static_cast<uint32_t>(length) - Minimum ||
      loadLittleEndian32(bytes + pe) != PeSignature)
    return false;
  const uint16_t magic = loadLittleEndian16(bytes + optional);
  if (magic != Pe32Magic && magic != Pe32PlusMagic) return false;
  const uint32_t countOffset = magic == Pe32Magic ? Pe32DirectoryCountOffset : Pe32PlusDirectoryCountOffset;
  const uint32_t entry = optional + countOffset + 4 + SecurityDirectoryIndex * DirectoryEntrySize;
  const uint32_t optionalSize = loadLittleEndian16(bytes + pe + OptionalHeaderSizeOffset);
  if (loadLittleEndian32(bytes + optional + countOffset) <= SecurityDirectoryIndex ||
      entry + DirectoryEntrySize > optional + optionalSize || entry + DirectoryEntrySize > static_cast<uint32_t>(length))
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
  // A PE file and its table offsets are 32-bit: sizes are uint32_t below.
  uint8_t head[PeHeaderReadLength];
  ProgramHeaderFields fields;
  if (fileSize < PeHeaderReadLength || fileSize > UINT32_MAX || !file.readAt(0, head, PeHeaderReadLength) ||
      !FindProgramHeaderFields(head, PeHeaderReadLength, fields))
    return;
  const uint32_t table = fields.securityTableOffset;
  const uint32_t size = static_cast<uint32_t>(fileSize);
  if (fields.securityTableLength == 0 || table > size || fields.securityTableLength != size - table ||
      table < fields.headersSize || table < SignerAlignment + ArchivePrefixSize + ArchiveTrailerSize)
    return;
  signature.present = true;
  signature.fields = fields;
  signature.archiveEnd = table;
  // The trailer ends before the table, or before the padding: the smallest
  // padding whose trailer names the archive's place wins.
  constexpr int TailLength = SignerAlignment + ArchiveTrailerSize;
  uint8_t tail[TailLength];
  if (!file.readAt(table - TailLength, tail, TailLength)) return;
  for (int padding = 0; padding < SignerAlignment; ++padding) {
    if (padding > 0 && tail[TailLength - padding] != 0) return;
    const uint32_t offset = loadLittleEndian32(tail + SignerAlignment - padding);
    uint8_t magic[4];
    if (offset >= fields.headersSize && offset <= table - padding - ArchivePrefixSize - ArchiveTrailerSize &&
        file.readAt(offset, magic, 4) && static_cast<int32_t>(loadLittleEndian32(magic)) == ArchiveMagic) {
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
