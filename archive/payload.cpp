#include "archive/payload.h"

#include "archive/codec.h"

namespace {
const int FirstReadProgress = 5;
const int ReadProgressSpan = 30;
const int FirstRecordProgress = 45;
const int RecordProgressSpan = 40;
}  // namespace

int PayloadReadProgress(int64_t bytesRead, int32_t payloadLength) {
  if (payloadLength < 1) return FirstReadProgress;
  return static_cast<int>(bytesRead * ReadProgressSpan / payloadLength) + FirstReadProgress;
}

int RecordProgress(int index, int count) {
  if (count < 1) return FirstRecordProgress;
  return static_cast<int>(int64_t{index} * RecordProgressSpan / count) + FirstRecordProgress;
}

int CheckPayloadChecksum(const ByteStream& payload, uint32_t payloadChecksum) {
  return Checksum(payload.bytes()) == payloadChecksum ? ArchiveReadOk : CorruptPayloadChecksum;
}

int UnpackPayload(ByteStream& payload) {
  String bytes;
  payload.takeBytes(bytes);
  const bool unpacked = Unpack(bytes);
  payload.takeBytes(bytes);
  return unpacked ? ArchiveReadOk : CorruptPackedPayload;
}
