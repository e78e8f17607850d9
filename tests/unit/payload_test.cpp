// Gathering the payload: progress positions, parts that cannot be added,
// the checksum and the unpacking of a packed payload.
#include "archive/payload.h"

#include <gtest/gtest.h>

#include "archive/codec.h"
#include "pack/packer.h"

namespace {

TEST(PayloadTest, ProgressPositions) {
  EXPECT_EQ(PayloadReadProgress(0, 1000), 5);
  EXPECT_EQ(PayloadReadProgress(500, 1000), 20);
  EXPECT_EQ(PayloadReadProgress(int64_t{1} << 31, INT32_MAX), 35) << "no overflow";
  EXPECT_EQ(RecordProgress(0, 3), 45);
  EXPECT_EQ(RecordProgress(2, 3), 71);
}

TEST(PayloadTest, PartsAppendOrLeaveThePayloadAsItWas) {
  ByteStream payload;
  auto fill = [](char* area, int32_t n) {
    for (int32_t i = 0; i < n; ++i) area[i] = static_cast<char>('a' + i);
    return true;
  };
  EXPECT_EQ(AppendPayloadPart(payload, 3, fill), ArchiveReadOk);
  EXPECT_EQ(AppendPayloadPart(payload, 2, [](char*, int32_t) { return false; }), CorruptPartUnreadable);
  EXPECT_EQ(AppendPayloadPart(payload, int64_t{3} << 30, fill), CorruptPartUnreadable) << "beyond what a stream holds";
  EXPECT_EQ(AppendPayloadPart(payload, 2, fill), ArchiveReadOk);
  EXPECT_STREQ(payload.bytes().cStr(), "abcab");
}

TEST(PayloadTest, ChecksumAndUnpacking) {
  const std::vector<uint8_t> records(5000, 'r');
  const std::vector<uint8_t> packed = PackBlock(records, PackLevel::Fast);
  ByteStream payload(String(reinterpret_cast<const char*>(packed.data()), static_cast<int>(packed.size())));
  EXPECT_EQ(CheckPayloadChecksum(payload, Checksum(payload.bytes())), ArchiveReadOk);
  EXPECT_EQ(CheckPayloadChecksum(payload, Checksum(payload.bytes()) + 1), CorruptPayloadChecksum);
  payload.skip(7);
  ASSERT_EQ(UnpackPayload(payload), ArchiveReadOk);
  EXPECT_EQ(payload.length(), 5000);
  EXPECT_EQ(payload.position(), 0);
  ByteStream plain(String("not a packed block"));
  EXPECT_EQ(UnpackPayload(plain), CorruptPackedPayload);
  EXPECT_STREQ(plain.bytes().cStr(), "not a packed block");
}

}  // namespace
