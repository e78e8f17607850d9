// Fuzzes the reading of a package: the trailer, the prefix, the header block
// and its fields, the message table, and the file records of the payload.
// Property: any bytes are read or refused with a code; nothing crashes, hangs,
// reads outside its buffers or allocates beyond what the input can justify.
//
// The first byte chooses how the rest is taken. Odd: as a whole package file.
// Even: a two-byte block length, that many bytes of an unpacked header block,
// and the payload; the package is laid out around them with the block's own
// checksum as key, so that the fields themselves are reached.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "archive/codec.h"
#include "archive/header_reader.h"
#include "archive/payload.h"
#include "archive/records.h"

namespace {

const char Stub[] = "MZ";
const int StubLength = 2;

void put32(String& s, uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  s.appendBytes(b, 4);
}

String packageAround(const uint8_t* data, size_t size) {
  size_t blockLength = size >= 2 ? (data[0] | data[1] << 8) : 0;
  data += size >= 2 ? 2 : size;
  size -= size >= 2 ? 2 : size;
  if (blockLength > size) blockLength = size;
  String block(reinterpret_cast<const char*>(data), static_cast<int>(blockLength));
  const uint32_t key = Checksum(block);
  XorWithKey(block, key);
  String file(Stub);
  put32(file, ArchiveMagic);
  put32(file, static_cast<uint32_t>(block.length()));
  put32(file, key);
  file.append(block);
  file.appendBytes(data + blockLength, static_cast<int>(size - blockLength));
  put32(file, StubLength);
  return file;
}

String windowsDirectory() { return "C:\\WINDOWS"; }

void lookUpMessages(MessageTable& messages) {
  for (int n = 0; n < messages.messageCount() && n < 64; ++n)
    for (int language = 0; language < messages.languageCount(); ++language)
      messages.lookup(n, language, "Product <os>", windowsDirectory);
}

void readRecords(const String& file, const ArchiveHeader& header) {
  ByteStream payload;
  const int64_t first = header.firstPartLength();
  AppendPayloadPart(payload, first, [&](char* area, int32_t n) {
    memcpy(area, file.cStr() + header.payloadOffset(), static_cast<size_t>(n));
    return true;
  });
  CheckPayloadChecksum(payload, header.payloadChecksum);
  if (header.has(PackedPayload) && UnpackPayload(payload) != ArchiveReadOk) return;
  FileRecord record;
  for (int i = 0; i < header.fileCount; ++i) {
    if (ReadFileRecord(payload, header.fileSizes[i], header.has(VerifyChecksums), record) != ArchiveReadOk) return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  const String file = (data[0] & 1) ? String(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1))
                                     : packageAround(data + 1, size - 1);
  MemorySource source(file.cStr(), file.length());
  ArchiveHeader header;
  MessageTable messages;
  if (ReadArchiveHeader(source, header, messages) != ArchiveReadOk) return 0;
  lookUpMessages(messages);
  readRecords(file, header);
  return 0;
}
