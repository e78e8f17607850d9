// The packer: every block it writes is valid, unpacks to its input and is
// the same every time.
#include "pack/packer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

#include "archive/codec.h"
#include "archive/format.h"
#include "pack/package.h"

namespace {

struct ItemCounts {
  int runs = 0;
  int literals = 0;
  int copies = 0;
  int farCopies = 0;
  int longCopies = 0;
};

// Walks a block the strict way: every item whole, no empty item, every
// copy inside the output so far and no longer than its distance.
ItemCounts checkItems(const Bytes& block, size_t expectedSize) {
  ItemCounts counts;
  EXPECT_GE(block.size(), static_cast<size_t>(PackedBlockHeaderSize));
  uint32_t magic = block[0] | block[1] << 8 | block[2] << 16 | static_cast<uint32_t>(block[3]) << 24;
  uint32_t declared = block[4] | block[5] << 8 | block[6] << 16 | static_cast<uint32_t>(block[7]) << 24;
  EXPECT_EQ(magic, PackedBlockMagic);
  EXPECT_EQ(declared, expectedSize);
  size_t produced = 0;
  for (size_t i = PackedBlockHeaderSize; i < block.size();) {
    const uint8_t c = block[i++];
    const unsigned value = c & ItemValueMask;
    switch (c & ItemClassMask) {
      case RunItem:
        EXPECT_LT(i, block.size());
        i++;
        produced += value + RunBias;
        counts.runs++;
        break;
      case ShortLiteralItem:
      case LongLiteralItem: {
        unsigned length = value;
        if ((c & ItemClassMask) == LongLiteralItem) length |= static_cast<unsigned>(block.at(i++)) << 6;
        EXPECT_GT(length, 0u);
        EXPECT_LE(i + length, block.size());
        i += length;
        produced += length;
        counts.literals++;
        break;
      }
      default: {
        unsigned count = c & CopyCountMask;
        if (count == 0) {
          count = block.at(i) | block.at(i + 1) << 8;
          i += 2;
          counts.longCopies++;
        }
        unsigned offset = block.at(i) | block.at(i + 1) << 8;
        i += 2;
        if (c & CopyFarOffsetBit) {
          offset |= static_cast<unsigned>(block.at(i++)) << 16;
          counts.farCopies++;
        }
        const size_t length = count + CopyLengthBias, distance = offset + CopyDistanceBias;
        EXPECT_LE(length, distance);
        EXPECT_LE(distance, produced);
        produced += length;
        counts.copies++;
      }
    }
  }
  EXPECT_EQ(produced, expectedSize);
  return counts;
}

Bytes unpacked(const Bytes& block) {
  String s(reinterpret_cast<const char*>(block.data()), static_cast<int>(block.size()));
  EXPECT_TRUE(Unpack(s));
  return Bytes(s.cStr(), s.cStr() + s.length());
}

// Round trip at both levels; the counts of the best level.
ItemCounts roundTrip(const Bytes& data, const char* what) {
  ItemCounts best;
  for (PackLevel level : {PackLevel::Fast, PackLevel::Best}) {
    SCOPED_TRACE(std::string(what) + (level == PackLevel::Fast ? " (fast)" : " (best)"));
    const Bytes block = PackBlock(data, level);
    const ItemCounts counts = checkItems(block, data.size());
    EXPECT_EQ(unpacked(block), data);
    if (level == PackLevel::Best) best = counts;
  }
  return best;
}

Bytes randomBytes(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes b(n);
  for (uint8_t& x : b) x = static_cast<uint8_t>(random());
  return b;
}

TEST(PackerTest, SmallInputs) {
  roundTrip({}, "empty");
  roundTrip({'a'}, "one byte");
  roundTrip({'a', 'a', 'a'}, "shortest run");
  roundTrip({'a', 'b', 'c', 'a', 'b', 'c', 'a', 'b', 'c', 'a'}, "period three");
  roundTrip(Bytes(67, 'z'), "run just over one item");
}

TEST(PackerTest, RandomDataStaysNearItsSize) {
  const Bytes data = randomBytes(100000, 1);
  roundTrip(data, "random");
  EXPECT_LT(PackBlock(data, PackLevel::Best).size(), data.size() + data.size() / 1000 + 16);
}

TEST(PackerTest, LongRunsPackDensely) {
  Bytes data(1 << 20, 0);
  for (size_t i = 500000; i < 500100; i++) data[i] = 7;
  const ItemCounts counts = roundTrip(data, "zeros");
  EXPECT_GT(counts.longCopies, 0);
  EXPECT_LT(PackBlock(data, PackLevel::Best).size(), 600u);
  EXPECT_LT(PackBlock(data, PackLevel::Fast).size(), 1000u);
}

TEST(PackerTest, RepetitiveText) {
  std::string text;
  for (int i = 0; i < 20000; i++) text += "line " + std::to_string(i % 977) + ": the quick brown fox\r\n";
  const Bytes data(text.begin(), text.end());
  roundTrip(data, "text");
  EXPECT_LT(PackBlock(data, PackLevel::Best).size(), data.size() / 10);
  EXPECT_EQ(PackBlock(data, PackLevel::Best), PackBlock(data, PackLevel::Best)) << "not deterministic";
  EXPECT_LE(PackBlock(data, PackLevel::Best).size(), PackBlock(data, PackLevel::Fast).size());
}

TEST(PackerTest, FarRepeatsUse24BitOffsets) {
  // The same 50,000 random bytes twice, 200,000 bytes apart: beyond what a
  // 16-bit offset reaches.
  const Bytes piece = randomBytes(50000, 2);
  Bytes data = piece;
  const Bytes gap = randomBytes(150000, 3);
  data.insert(data.end(), gap.begin(), gap.end());
  data.insert(data.end(), piece.begin(), piece.end());
  const ItemCounts counts = roundTrip(data, "far repeat");
  EXPECT_GT(counts.farCopies, 0);
  EXPECT_LT(PackBlock(data, PackLevel::Best).size(), 201000u);
}

TEST(PackerTest, RealBinaries) {
  // This test program itself, and a Windows library when Wine is present.
  for (const char* path : {"/proc/self/exe", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/user32.dll"}) {
    std::ifstream in(path, std::ios::binary);
    if (!in) continue;
    Bytes data(256u << 10);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<size_t>(in.gcount()));
    roundTrip(data, path);
    EXPECT_LT(PackBlock(data, PackLevel::Best).size(), data.size());
  }
}

TEST(PackerTest, ReportsProgressUpToTheEnd) {
  const Bytes data = randomBytes(3 << 20, 4);
  size_t last = 0;
  int calls = 0;
  PackBlock(data, PackLevel::Fast, [&](size_t done) {
    EXPECT_GE(done, last);
    last = done;
    calls++;
  });
  EXPECT_GE(calls, 3);
  EXPECT_EQ(last, data.size());
}

}  // namespace
