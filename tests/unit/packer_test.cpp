// The packer: every block it writes is valid, unpacks to its input and is
// the same every time.
#include "pack/packer.h"

#include <gtest/gtest.h>

#include <algorithm>
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
  size_t literalBytes = 0;
  size_t longestDistance = 0;
};

// Walks a block the strict way: every item whole, no empty item, every
// copy inside the output so far and no longer than its distance, and every
// run and copy shorter than the bytes it writes.
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
        EXPECT_GT(value + RunBias, static_cast<unsigned>(RunItemSize));
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
        counts.literalBytes += length;
        break;
      }
      default: {
        const size_t start = i - 1;
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
        EXPECT_GT(length, i - start) << "a copy that saves nothing";
        produced += length;
        counts.copies++;
        counts.longestDistance = std::max(counts.longestDistance, distance);
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

// Packs at one level and checks the items and the round trip.
ItemCounts packChecked(const Bytes& data, PackLevel level, Bytes* packed = nullptr) {
  SCOPED_TRACE(level == PackLevel::Fast ? "fast" : "best");
  const Bytes block = PackBlock(data, level);
  const ItemCounts counts = checkItems(block, data.size());
  EXPECT_TRUE(unpacked(block) == data) << "round trip";
  if (packed) *packed = block;
  return counts;
}

// Round trip at both levels; the counts of the best level.
ItemCounts roundTrip(const Bytes& data, const char* what) {
  SCOPED_TRACE(what);
  packChecked(data, PackLevel::Fast);
  return packChecked(data, PackLevel::Best);
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
  EXPECT_EQ(PackBlock(data, PackLevel::Fast), PackBlock(data, PackLevel::Fast)) << "not deterministic";
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

TEST(PackerTest, RepeatsAndRunsCutShortByTheEnd) {
  // The last bytes of a block are where the tables (which read 8 bytes per
  // position) and the item rules have their edges.
  const Bytes head = randomBytes(24, 5);
  for (size_t k = 0; k <= head.size(); k++) {
    Bytes data = head;
    data.insert(data.end(), head.begin(), head.begin() + static_cast<long>(k));
    roundTrip(data, ("repeat of " + std::to_string(k)).c_str());
  }
  for (size_t k = 1; k <= MaxRunLength + 4; k++) {
    Bytes data = head;
    data.resize(head.size() + k, 0x5A);
    roundTrip(data, ("run of " + std::to_string(k)).c_str());
  }
}

TEST(PackerTest, ShortRepeatsDoNotCutLiteralStretches) {
  // A 5-byte repeat inside random bytes: its copy would save two bytes but
  // cut the literal stretch in two, which costs the decoder two more items.
  Bytes data = randomBytes(3000, 6);
  std::copy(data.begin() + 100, data.begin() + 105, data.begin() + 1000);
  for (PackLevel level : {PackLevel::Fast, PackLevel::Best}) {
    const ItemCounts counts = packChecked(data, level);
    EXPECT_EQ(counts.copies + counts.runs, 0);
    EXPECT_EQ(counts.literals, 1);
  }
  // A 40-byte repeat is worth it.
  std::copy(data.begin() + 200, data.begin() + 240, data.begin() + 2000);
  const ItemCounts counts = packChecked(data, PackLevel::Best);
  EXPECT_EQ(counts.copies, 1);
  EXPECT_EQ(counts.literalBytes, data.size() - 40);
}

TEST(PackerTest, FarRepeatsAreCopiedFromTheirFirstByte) {
  // A far repeat is often found a few bytes late: the far table holds only
  // some positions, and here the repeat's first bytes also occur nearer. It
  // must still be copied whole, whatever its alignment.
  const Bytes piece = randomBytes(3000, 7);
  for (size_t shift = 0; shift < 8; shift++) {
    SCOPED_TRACE(shift);
    Bytes data = randomBytes(shift, 8);
    Bytes gap = randomBytes(100000, 9);
    std::copy(piece.begin(), piece.begin() + 5, gap.end() - 1000);
    data.insert(data.end(), piece.begin(), piece.end());
    data.insert(data.end(), gap.begin(), gap.end());
    data.insert(data.end(), piece.begin(), piece.end());
    const ItemCounts counts = packChecked(data, PackLevel::Best);
    EXPECT_EQ(counts.copies, 1);
    EXPECT_EQ(counts.farCopies, 1);
    EXPECT_LE(counts.literalBytes, shift + piece.size() + gap.size());
  }
}

TEST(PackerTest, CopiesReachSixteenMebibytesBack) {
  // The same random bytes twice with zeros between them: just inside the
  // longest distance a copy can have, both levels copy them; just beyond
  // it, neither may.
  const Bytes piece = randomBytes(5000, 10);
  for (size_t distance : {size_t{MaxCopyDistance}, size_t{MaxCopyDistance} + 1}) {
    SCOPED_TRACE(distance);
    Bytes data = piece;
    data.resize(distance, 0);
    data.insert(data.end(), piece.begin(), piece.end());
    for (PackLevel level : {PackLevel::Fast, PackLevel::Best}) {
      Bytes block;
      const ItemCounts counts = packChecked(data, level, &block);
      EXPECT_LE(counts.longestDistance, size_t{MaxCopyDistance});
      if (distance <= MaxCopyDistance) {
        EXPECT_EQ(counts.longestDistance, distance);
        EXPECT_LT(block.size(), piece.size() + distance / 4096);  // the zeros take a few bytes per 64 KiB
      } else {
        EXPECT_GT(block.size(), 2 * piece.size());
      }
    }
  }
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
