// The payload as the installer gathers it: the parts from the program's own
// file and the continuation files one after the other, checked against the
// header's checksum and unpacked (docs/format.md#payload).
#pragma once

#include <stdint.h>

#include "archive/byte_stream.h"
#include "archive/corrupt_codes.h"

// Progress positions, in percent: 5 to 35 while the parts are read, 40 while
// the payload is unpacked, 45 to 85 while the records are taken out.
constexpr int PayloadUnpackProgress = 40;
int PayloadReadProgress(int64_t bytesRead, int32_t payloadLength);
int RecordProgress(int index, int count);

// Appends n bytes that `read` fills (a part of the payload) to the payload.
// CorruptPartUnreadable when the payload cannot grow by n bytes or `read`
// fails; the payload then keeps only what it held before.
template <class ReadInto>
int AppendPayloadPart(ByteStream& payload, int64_t n, ReadInto read) {
  if (n < 0 || n > StringSizeLimit - int64_t{payload.length()}) return CorruptPartUnreadable;
  if (n == 0) return ArchiveReadOk;
  const int32_t before = payload.length();
  char* area = payload.reserve(static_cast<int32_t>(n));
  if (area != nullptr && read(area, static_cast<int32_t>(n))) return ArchiveReadOk;
  payload.bytes().resize(before);
  payload.seek(before);
  return CorruptPartUnreadable;
}

// The payload as read must have the header's checksum, whatever the flags:
// ArchiveReadOk or CorruptPayloadChecksum.
int CheckPayloadChecksum(const ByteStream& payload, uint32_t payloadChecksum);

// Unpacks a packed payload in place and puts the position at its start:
// ArchiveReadOk or CorruptPackedPayload when it is no packed block.
int UnpackPayload(ByteStream& payload);
