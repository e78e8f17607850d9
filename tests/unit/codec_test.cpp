// The packed-block codec, the checksum, the XOR scrambling and the byte
// stream they work on.
#include "archive/codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "archive/byte_stream.h"
#include "archive/format.h"
#include "fatal_capture.h"

namespace {

String bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return String(s.data(), static_cast<int>(s.size()));
}

std::string text(const String& s) { return std::string(s.cStr(), static_cast<size_t>(s.length())); }

// A block: magic, declared size, then the given items.
String block(int32_t declared, const std::string& items) {
  std::string s = "\xA1\x2B\xC7\x9E";
  for (int i = 0; i < 4; i++) s += static_cast<char>(static_cast<uint32_t>(declared) >> (8 * i));
  s += items;
  return String(s.data(), static_cast<int>(s.size()));
}

std::string literal(const std::string& data) { return std::string(1, static_cast<char>(0x40 | data.size())) + data; }

// ---------------------------------------------------------------------------
// Unpack: the worked examples of the format.

TEST(UnpackTest, ShortLiteralRunAndCopy) {
  String b = bytes({0xA1, 0x2B, 0xC7, 0x9E, 0x0A, 0x00, 0x00, 0x00, 0x43, 0x61, 0x62, 0x63, 0x00, 0x78, 0xC1, 0x02, 0x00});
  ASSERT_EQ(b.length(), 17);
  ASSERT_TRUE(Unpack(b));
  EXPECT_EQ(text(b), "abcxxxabcx");
}

TEST(UnpackTest, LongLiteralOf65Bytes) {
  const std::string data(65, 'q');
  String b = block(65, std::string("\x81\x01", 2) + data);
  ASSERT_TRUE(Unpack(b));
  EXPECT_EQ(text(b), data);
}

TEST(UnpackTest, CopyWith16BitCountAnd24BitOffset) {
  // 0x10014 bytes of output first, so that the distance 0x10014 reaches
  // back to position 0.
  std::string produced;
  std::string items;
  for (int chunk = 0; produced.size() < 0x10014; chunk++) {
    std::string piece;
    for (size_t i = 0; i < 16000 && produced.size() + piece.size() < 0x10014; i++)
      piece += static_cast<char>('a' + (produced.size() + piece.size()) % 23);
    items += static_cast<char>(0x80 | (piece.size() & 0x3F));
    items += static_cast<char>(piece.size() >> 6);
    items += piece;
    produced += piece;
  }
  items += std::string("\xE0\x05\x00\x10\x00\x01", 6);
  String b = block(0, items);
  ASSERT_TRUE(Unpack(b));
  ASSERT_EQ(b.length(), 0x10014 + 8);
  EXPECT_EQ(text(b).substr(0x10014), produced.substr(0, 8));
}

TEST(UnpackTest, CopyLongerThanItsDistanceIsSkipped) {
  // Length 5 (count 2), distance 4 (offset 0): not performed; the literal
  // after it still is.
  String b = block(9, literal("abcd") + std::string("\xC2\x00\x00", 3) + literal("e"));
  ASSERT_TRUE(Unpack(b));
  EXPECT_EQ(text(b), "abcde");
}

TEST(UnpackTest, CopyReachingBeforeTheStartIsSkipped) {
  String b = block(0, literal("ab") + std::string("\xC1\x00\x00", 3) + literal("c"));
  ASSERT_TRUE(Unpack(b));
  EXPECT_EQ(text(b), "abc");
}

TEST(UnpackTest, CopyAsLongAsItsDistanceRepeatsTheTail) {
  String b = block(8, literal("wxyz") + std::string("\xC1\x00\x00", 3));
  ASSERT_TRUE(Unpack(b));
  EXPECT_EQ(text(b), "wxyzwxyz");
}

TEST(UnpackTest, RefusesShortBlocksAndOtherMagic) {
  String four = bytes({0xA1, 0x2B, 0xC7, 0x9E});
  EXPECT_FALSE(Unpack(four));
  EXPECT_EQ(four.length(), 4);
  String other = bytes({0xA1, 0x2B, 0xC7, 0x9F, 0, 0, 0, 0, 0x41, 'x'});
  EXPECT_FALSE(Unpack(other));
  EXPECT_EQ(other.length(), 10);
  String empty;
  EXPECT_FALSE(Unpack(empty));
}

TEST(UnpackTest, HeaderWithoutItemsGivesEmptyResult) {
  String b = block(100, "");
  ASSERT_TRUE(Unpack(b));
  EXPECT_EQ(b.length(), 0);
  // Magic and part of the size field only.
  String cut = bytes({0xA1, 0x2B, 0xC7, 0x9E, 0x05});
  ASSERT_TRUE(Unpack(cut));
  EXPECT_EQ(cut.length(), 0);
}

TEST(UnpackTest, DeclaredSizeOnlySizesTheBuffer) {
  String larger = block(1000, literal("abc"));
  ASSERT_TRUE(Unpack(larger));
  EXPECT_EQ(text(larger), "abc");
  String smaller = block(1, literal("abcdefgh") + std::string("\x05\x7A", 2));
  ASSERT_TRUE(Unpack(smaller));
  EXPECT_EQ(text(smaller), "abcdefgh" + std::string(8, 'z'));
  String negative = block(-5, literal("ab"));
  ASSERT_TRUE(Unpack(negative));
  EXPECT_EQ(text(negative), "ab");
}

TEST(UnpackTest, ZeroLengthLiteralsWriteNothing) {
  String b = block(0, std::string("\x40\x80\x00", 3) + literal("k"));
  ASSERT_TRUE(Unpack(b));
  EXPECT_EQ(text(b), "k");
}

// A damaged size field used to size the output buffer as it stood: 2 GiB
// ended the program with an allocation failure instead of letting the
// checksums report a damaged package.
TEST(UnpackTest, HugeDeclaredSizeIsNotTrusted) {
  EXPECT_EQ(fatalTextOf([] {
              String b = block(0x7FFFFFFF, literal("abc"));
              ASSERT_TRUE(Unpack(b));
              EXPECT_EQ(text(b), "abc");
            }),
            "(no fatal report)");
  EXPECT_EQ(fatalTextOf([] {
              // Many long copies: the block may really produce a lot, but
              // never more than its items allow.
              std::string items = literal("abcd");
              for (int i = 0; i < 200; i++) items += std::string("\xC0\xFF\x0F\x00\x00", 5);
              String b = block(0x7FFFFFFF, items);
              ASSERT_TRUE(Unpack(b));
              EXPECT_EQ(b.length(), 4);  // every copy is longer than its distance
            }),
            "(no fatal report)");
}

TEST(UnpackTest, ItemsCutOffByTheEndStopTheUnpacking) {
  const std::pair<std::string, std::string> cases[] = {
      {literal("ab") + "\x45xyz", "ab"},                 // literal of 5 with 3 bytes
      {literal("ab") + "\x81", "ab"},                    // long literal without its length byte
      {literal("ab") + "\x81\x01zz", "ab"},              // long literal of 65 with 2 bytes
      {literal("ab") + "\x07", "ab"},                    // run without its byte
      {literal("abcdefgh") + "\xC1\x04", "abcdefgh"},    // copy without its whole offset
      {literal("abcdefgh") + "\xC0\x01\x00\x00", "abcdefgh"},  // 16-bit count, offset cut
      {literal("abcdefgh") + "\xE1\x00\x00", "abcdefgh"},      // 24-bit offset cut
  };
  for (const auto& [items, expected] : cases) {
    String b = block(static_cast<int32_t>(expected.size()), items);
    ASSERT_TRUE(Unpack(b));
    EXPECT_EQ(text(b), expected) << "items of " << items.size() << " bytes";
  }
}

TEST(UnpackTest, RandomBlocksNeverReadOrWriteOutOfBounds) {
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; round++) {
    std::string items(random() % 200, '\0');
    for (char& c : items) c = static_cast<char>(random());
    String b = block(static_cast<int32_t>(random() % 5000) - 100, items);
    ASSERT_TRUE(Unpack(b));
    EXPECT_LE(b.length(), 200 * (MaxCopyLength / LongCopyItemSize + 1));
  }
}

// The format read the plain way, one byte at a time; an item cut off by the
// end of the block ends the output.
std::string modelUnpack(const std::string& items) {
  std::string out;
  size_t i = 0;
  auto byteAt = [&](size_t at) { return static_cast<size_t>(static_cast<uint8_t>(items[at])); };
  auto have = [&](size_t n) { return items.size() - i >= n; };
  while (i < items.size()) {
    const size_t c = byteAt(i++);
    const size_t n = c & 0x3F;
    if ((c & 0xC0) == 0x00) {
      if (!have(1)) break;
      out.append(n + 3, items[i++]);
    } else if ((c & 0xC0) != 0xC0) {
      size_t m = n;
      if (c & 0x80) {
        if (!have(1)) break;
        m |= byteAt(i++) << 6;
      }
      if (!have(m)) break;
      out.append(items, i, m);
      i += m;
    } else {
      size_t count = c & 0x1F;
      const bool far = (c & 0x20) != 0;
      if (!have((count == 0 ? 2 : 0) + 2 + (far ? 1 : 0))) break;
      if (count == 0) {
        count = byteAt(i) | byteAt(i + 1) << 8;
        i += 2;
      }
      size_t offset = byteAt(i) | byteAt(i + 1) << 8;
      i += 2;
      if (far) offset |= byteAt(i++) << 16;
      const size_t length = count + 3, distance = offset + 4;
      if (distance <= out.size() && length <= distance) out += out.substr(out.size() - distance, length);
    }
  }
  return out;
}

// Items of every kind, most of them valid, copies reaching mostly a little
// way back (overlapping steps), some too far or longer than their distance.
std::string randomItems(std::mt19937& random, size_t count) {
  std::string items;
  size_t produced = 0;
  for (size_t k = 0; k < count; k++) {
    const unsigned kind = random() % 10;
    if (kind < 2) {
      items += static_cast<char>(random() % 64);
      items += static_cast<char>(random());
      produced += items[items.size() - 2] + 3;
    } else if (kind < 5) {
      const size_t m = kind == 4 ? random() % 300 : random() % 64;
      items += m < 64 && kind != 4 ? std::string(1, static_cast<char>(0x40 | m))
                                   : std::string{static_cast<char>(0x80 | (m & 0x3F)), static_cast<char>(m >> 6)};
      for (size_t j = 0; j < m; j++) items += static_cast<char>('a' + random() % 4);
      produced += m;
    } else {
      size_t length = 4 + random() % (kind == 9 ? 200 : 31);
      size_t distance = 4 + random() % (random() % 3 == 0 ? produced + 8 : 48);
      if (random() % 8 == 0) length = distance + 1;
      const size_t count = length - 3, offset = distance - 4;
      const bool far = offset > 0xFFFF || random() % 4 == 0;
      const bool countInControl = count <= 31 && random() % 4 != 0;
      items += static_cast<char>(0xC0 | (far ? 0x20 : 0) | (countInControl ? count : 0));
      if (!countInControl) items += std::string{static_cast<char>(count), static_cast<char>(count >> 8)};
      items += std::string{static_cast<char>(offset), static_cast<char>(offset >> 8)};
      if (far) items += static_cast<char>(offset >> 16);
      if (distance <= produced && length <= distance) produced += length;
    }
  }
  return items;
}

// The unpacker has a fast path for most items and a careful one near the
// ends of the block and of the declared room; both must agree with the
// format byte for byte, wherever the block is cut.
TEST(UnpackTest, AgreesWithTheFormatOnRandomItems) {
  std::mt19937 random(2024);
  for (int round = 0; round < 400; round++) {
    std::string items = randomItems(random, 1 + random() % 400);
    if (round % 3 == 0) items.resize(random() % (items.size() + 1));
    const std::string expected = modelUnpack(items);
    const int32_t declared[] = {0, static_cast<int32_t>(expected.size()),
                                static_cast<int32_t>(random() % (expected.size() + 1)),
                                static_cast<int32_t>(expected.size() + random() % 1000)};
    for (int32_t size : declared) {
      String b = block(size, items);
      ASSERT_TRUE(Unpack(b));
      ASSERT_EQ(text(b), expected) << "round " << round << ", declared size " << size;
    }
  }
}

// ---------------------------------------------------------------------------
// Checksum and XorWithKey.

TEST(ChecksumTest, WorkedExamples) {
  EXPECT_EQ(Checksum("abc", 3), 0x79E2BDC6u);
  EXPECT_EQ(Checksum("abcd", 4), 0xDE461F02u);
  EXPECT_EQ(Checksum("\xFF", 1), 0x79E2BC9Du);
  EXPECT_EQ(Checksum("", 0), 0x79E2BC9Du);
  EXPECT_EQ(Checksum(nullptr, 10), 0x79E2BC9Du);
  EXPECT_EQ(Checksum(String("abcd")), 0xDE461F02u);
}

// The sums and the XOR work on several words at once; every length and
// starting alignment must give what the word-by-word definition gives.
TEST(ChecksumTest, AgreesWithTheWordByWordSumAtEveryLengthAndAlignment) {
  std::mt19937 random(7);
  std::vector<uint8_t> data(200);
  for (uint8_t& b : data) b = static_cast<uint8_t>(random());
  for (int start = 0; start < 4; start++) {
    for (int count = 0; count <= 150; count++) {
      const uint8_t* p = data.data() + start;
      uint32_t expected = 0x79E2BC9Du;
      if (count > 0) {
        for (int i = 0; i + 4 <= count; i += 4)
          expected += p[i] | p[i + 1] << 8 | p[i + 2] << 16 | static_cast<uint32_t>(p[i + 3]) << 24;
        for (int i = count & ~3; i < count; i++) expected += static_cast<uint32_t>(static_cast<int8_t>(p[i]));
        expected += static_cast<uint32_t>(count);
      }
      ASSERT_EQ(Checksum(p, count), expected) << "start " << start << ", count " << count;

      std::vector<uint8_t> scrambled(data);
      const uint32_t key = 0x9AB1C2D3u;
      XorWithKey(scrambled.data() + start, count, key);
      for (int i = 0; i < static_cast<int>(data.size()); i++) {
        const bool inside = i >= start && i < start + count;
        const uint8_t keyByte = static_cast<uint8_t>(key >> (8 * ((i - start) & 3)));
        ASSERT_EQ(scrambled[i], inside ? data[i] ^ keyByte : data[i]) << "start " << start << ", count " << count;
      }
    }
  }
}

TEST(XorWithKeyTest, WordsThenLowKeyBytes) {
  String zeros = bytes({0, 0, 0, 0, 0, 0});
  XorWithKey(zeros, 0x44332211u);
  EXPECT_EQ(text(zeros), text(bytes({0x11, 0x22, 0x33, 0x44, 0x11, 0x22})));
  String seven = bytes({1, 2, 3, 4, 5, 6, 7});
  XorWithKey(seven, 0xA0B0C0D0u);
  XorWithKey(seven, 0xA0B0C0D0u);
  EXPECT_EQ(text(seven), text(bytes({1, 2, 3, 4, 5, 6, 7})));
  String none;
  XorWithKey(none, 0x12345678u);
  EXPECT_EQ(none.length(), 0);
}

// ---------------------------------------------------------------------------
// ByteStream.

TEST(ByteStreamTest, WritesAppendAtThePositionAndGrow) {
  ByteStream s;
  EXPECT_TRUE(s.appendBytes("abc", 3));
  EXPECT_TRUE(s.appendRun('x', 3));
  EXPECT_TRUE(s.appendCopy(0, 4));
  EXPECT_EQ(text(s.bytes()), "abcxxxabcx");
  EXPECT_EQ(s.position(), 10);
  char* area = s.reserve(2);
  ASSERT_NE(area, nullptr);
  area[0] = '!', area[1] = '?';
  EXPECT_EQ(text(s.bytes()), "abcxxxabcx!?");
  // Writing inside the data overwrites.
  ASSERT_TRUE(s.seek(1));
  EXPECT_TRUE(s.appendBytes("BC", 2));
  EXPECT_EQ(text(s.bytes()), "aBCxxxabcx!?");
}

TEST(ByteStreamTest, RefusedWritesChangeNothing) {
  ByteStream s;
  s.appendBytes("abcd", 4);
  EXPECT_FALSE(s.appendRun('x', 0));
  EXPECT_FALSE(s.appendBytes(nullptr, 3));
  EXPECT_FALSE(s.appendBytes("x", -1));
  EXPECT_FALSE(s.appendCopy(-1, 2));
  EXPECT_FALSE(s.appendCopy(0, 0));
  EXPECT_FALSE(s.appendCopy(2, 3));  // would reach past the position
  EXPECT_EQ(s.reserve(0), nullptr);
  EXPECT_EQ(s.reserve(StringSizeLimit), nullptr);  // past the limit: refused, not fatal
  EXPECT_EQ(text(s.bytes()), "abcd");
  EXPECT_EQ(s.position(), 4);
}

TEST(ByteStreamTest, ReadsAdvanceAndZeroFillPastTheEnd) {
  ByteStream s(bytes({0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 'h', 'i', 0, 'z'}));
  int32_t i;
  int16_t sh;
  uint8_t b;
  ASSERT_TRUE(s.readInt(i));
  EXPECT_EQ(i, 0x12345678);
  ASSERT_TRUE(s.readShort(sh));
  EXPECT_EQ(sh, -2);
  String t;
  ASSERT_TRUE(s.readString(t));
  EXPECT_EQ(text(t), "hi");
  ASSERT_TRUE(s.readByte(b));
  EXPECT_EQ(b, 'z');
  // At the end: zeros and false, the position still advancing.
  EXPECT_FALSE(s.readInt(i));
  EXPECT_EQ(i, 0);
  EXPECT_EQ(s.position(), 14);
  EXPECT_FALSE(s.readString(t));
  EXPECT_EQ(t.length(), 0);
  char buffer[4] = {1, 1, 1, 1};
  EXPECT_TRUE(s.readBytes(buffer, 0));
  EXPECT_FALSE(s.readBytes(nullptr, 2));
  EXPECT_FALSE(s.readBytes(buffer, -1));
  EXPECT_EQ(s.position(), 14);
}

TEST(ByteStreamTest, PartialReadsAndStringsWithoutNul) {
  ByteStream s(String("abcdef"));
  ASSERT_TRUE(s.seek(4));
  char buffer[4];
  EXPECT_FALSE(s.readBytes(buffer, 4));
  EXPECT_EQ(std::string(buffer, 4), std::string("ef\0\0", 4));
  EXPECT_EQ(s.position(), 8);
  ASSERT_TRUE(s.seek(2));
  String t;
  EXPECT_FALSE(s.readString(t));
  EXPECT_EQ(text(t), "cdef");
  EXPECT_EQ(s.position(), 6);
  EXPECT_FALSE(s.seek(7));
  EXPECT_FALSE(s.seek(-1));
  EXPECT_EQ(s.position(), 6);
}

TEST(ByteStreamTest, ReadBlockAppendsOrLeavesTheTargetAlone) {
  ByteStream s(String("0123456789"));
  String block("<");
  EXPECT_TRUE(s.readBlock(block, 3));
  EXPECT_EQ(text(block), "<012");
  EXPECT_FALSE(s.readBlock(block, 8));
  EXPECT_EQ(text(block), "<012");
  EXPECT_TRUE(s.readBlock(block, 0));
  DateTimeStamp time;
  ByteStream times(bytes({0xE8, 0x07, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 12, 0, 0, 0, 30, 0, 0, 0, 9, 0, 0, 0}));
  ASSERT_TRUE(times.readDateTime(time));
  EXPECT_EQ(time.year, 2024);
  EXPECT_EQ(time.second, 9);
}

TEST(ByteStreamTest, SkipStaysWithinRange) {
  ByteStream s(String("abc"));
  s.skip(-10);
  EXPECT_EQ(s.position(), 0);
  s.skip(INT32_MAX);
  s.skip(5);
  EXPECT_EQ(s.position(), INT32_MAX);
  EXPECT_EQ(s.remaining(), 0);
}

}  // namespace
