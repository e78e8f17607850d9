// The background picture's checks: what the two header kinds say, and that
// no header, however hostile, is accepted when its colour table or pixels
// lie outside the data.
#include "core/bitmap_check.h"

#include <gtest/gtest.h>

#include <stdint.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
  put16(b, at, v);
  put16(b, at + 2, v >> 16);
}

struct InfoHeader {
  int32_t width = 4;
  int32_t height = 2;
  int bitsPerPixel = 24;
  uint32_t compression = BitmapUncompressed;
  uint32_t imageSize = 0;
  uint32_t coloursUsed = 0;
};

// A 40-byte header with `tail` bytes after it (colour table and pixels).
Bytes infoBitmap(const InfoHeader& h, size_t tail) {
  Bytes b(BitmapInfoHeaderSize + tail, 0x5A);
  put32(b, 0, BitmapInfoHeaderSize);
  put32(b, 4, static_cast<uint32_t>(h.width));
  put32(b, 8, static_cast<uint32_t>(h.height));
  put16(b, 12, 1);
  put16(b, 14, static_cast<uint32_t>(h.bitsPerPixel));
  put32(b, 16, h.compression);
  put32(b, 20, h.imageSize);
  put32(b, 32, h.coloursUsed);
  put32(b, 36, 0);
  return b;
}

// A 12-byte header with `tail` bytes after it.
Bytes coreBitmap(uint32_t width, uint32_t height, int bitsPerPixel, size_t tail) {
  Bytes b(BitmapCoreHeaderSize + tail, 0x33);
  put32(b, 0, BitmapCoreHeaderSize);
  put16(b, 4, width);
  put16(b, 6, height);
  put16(b, 8, 1);
  put16(b, 10, static_cast<uint32_t>(bitsPerPixel));
  return b;
}

bool accepted(const Bytes& b, BitmapLayout* out = nullptr) {
  BitmapLayout layout;
  layout.width = 99;  // a refused picture must leave it all zero
  const bool ok = checkBitmapData(b.data(), static_cast<int>(b.size()), layout);
  if (!ok) {
    EXPECT_EQ(layout.width, 0);
    EXPECT_EQ(layout.height, 0);
    EXPECT_EQ(layout.bitsOffset, 0);
    EXPECT_EQ(layout.colourCount, 0);
    EXPECT_EQ(layout.bitsPerPixel, 0);
  }
  if (out != nullptr) *out = layout;
  return ok;
}

TEST(BitmapCheck, InformationHeaderGivesItsNumbers) {
  InfoHeader h;
  h.width = 5;
  h.height = 3;
  h.bitsPerPixel = 8;
  // 256 entries of 4 bytes, then 3 rows of 5 bytes padded to 8.
  BitmapLayout layout;
  ASSERT_TRUE(accepted(infoBitmap(h, 256 * 4 + 3 * 8), &layout));
  EXPECT_EQ(layout.width, 5);
  EXPECT_EQ(layout.height, 3);
  EXPECT_EQ(layout.bitsPerPixel, 8);
  EXPECT_EQ(layout.colourCount, 256);
  EXPECT_EQ(layout.bitsOffset, 40 + 1024);

  h.coloursUsed = 7;
  ASSERT_TRUE(accepted(infoBitmap(h, 7 * 4 + 3 * 8), &layout));
  EXPECT_EQ(layout.colourCount, 7);
  EXPECT_EQ(layout.bitsOffset, 40 + 28);

  h.bitsPerPixel = 24;  // no table by default from 24 bits on
  h.coloursUsed = 0;
  ASSERT_TRUE(accepted(infoBitmap(h, 3 * 16), &layout));
  EXPECT_EQ(layout.colourCount, 0);
  EXPECT_EQ(layout.bitsOffset, 40);
}

TEST(BitmapCheck, CoreHeaderGivesItsNumbers) {
  // 1 bit: two 3-byte entries; 9 pixels need 2 bytes, padded to 4.
  BitmapLayout layout;
  ASSERT_TRUE(accepted(coreBitmap(9, 2, 1, 2 * 3 + 2 * 4), &layout));
  EXPECT_EQ(layout.width, 9);
  EXPECT_EQ(layout.height, 2);
  EXPECT_EQ(layout.colourCount, 2);
  EXPECT_EQ(layout.bitsOffset, 12 + 6);
  // The 16-bit words are unsigned: 40000 pixels wide is 40000.
  ASSERT_TRUE(accepted(coreBitmap(40000, 1, 24, 120000), &layout));
  EXPECT_EQ(layout.width, 40000);
  EXPECT_EQ(layout.bitsOffset, 12);
}

TEST(BitmapCheck, TopDownRowsCountByMagnitude) {
  InfoHeader h;
  h.height = -3;
  BitmapLayout layout;
  ASSERT_TRUE(accepted(infoBitmap(h, 3 * 12), &layout));
  EXPECT_EQ(layout.height, -3);
  EXPECT_FALSE(accepted(infoBitmap(h, 3 * 12 - 1)));
  h.height = INT32_MIN;
  EXPECT_FALSE(accepted(infoBitmap(h, 4096)));
}

TEST(BitmapCheck, ShortOrUnknownHeadersAreRefused) {
  BitmapLayout layout;
  EXPECT_FALSE(checkBitmapData(nullptr, 100, layout));
  Bytes twelve = coreBitmap(1, 1, 24, 0);
  EXPECT_EQ(twelve.size(), 12u);
  EXPECT_FALSE(accepted(twelve));  // must be longer than 12 bytes
  EXPECT_FALSE(checkBitmapData(twelve.data(), -5, layout));
  for (uint32_t size : {0u, 11u, 13u, 39u, 41u, 108u, 124u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(size);
    Bytes b = infoBitmap(InfoHeader(), 200);
    put32(b, 0, size);
    EXPECT_FALSE(accepted(b));
  }
  // A 40-byte header cut short is not read beyond the data.
  Bytes cut = infoBitmap(InfoHeader(), 0);
  cut.resize(30);
  EXPECT_FALSE(accepted(cut));
}

TEST(BitmapCheck, PixelRowsMustAllBeThere) {
  // 24 bits, 3 pixels: 9 bytes padded to 12 per row, 5 rows.
  InfoHeader h;
  h.width = 3;
  h.height = 5;
  EXPECT_TRUE(accepted(infoBitmap(h, 60)));
  EXPECT_FALSE(accepted(infoBitmap(h, 59)));
  // 4 bits, 1 colour used: 4 bytes of table, 7 pixels in 4 bytes per row.
  h.bitsPerPixel = 4;
  h.width = 7;
  h.coloursUsed = 1;
  EXPECT_TRUE(accepted(infoBitmap(h, 4 + 20)));
  EXPECT_FALSE(accepted(infoBitmap(h, 4 + 19)));
  // Core header, 8 bits: 256 x 3 table, rows of 4.
  EXPECT_TRUE(accepted(coreBitmap(3, 2, 8, 768 + 8)));
  EXPECT_FALSE(accepted(coreBitmap(3, 2, 8, 768 + 7)));
}

TEST(BitmapCheck, HostileNumbersAreRefusedWithoutOverflow) {
  InfoHeader h;
  // Colour counts whose table lies beyond the data, up to 2^32 - 1. The
  // data holds 256 entries and the two 4-byte rows of a 4 x 2 picture.
  h.bitsPerPixel = 8;
  h.coloursUsed = 256;
  EXPECT_TRUE(accepted(infoBitmap(h, 1024 + 8)));
  for (uint32_t colours : {257u, 0x40000000u, 0x40000001u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(colours);
    h.coloursUsed = colours;
    EXPECT_FALSE(accepted(infoBitmap(h, 1024 + 8)));
  }
  // Widths and heights whose rows overflow 32 and 64 bits.
  h = InfoHeader();
  h.bitsPerPixel = 32;
  for (int32_t width : {INT32_MAX, 0x08000000, 0x40000000}) {
    for (int32_t height : {1, INT32_MAX, INT32_MIN + 1, 0x10000}) {
      SCOPED_TRACE(testing::Message() << width << " x " << height);
      h.width = width;
      h.height = height;
      EXPECT_FALSE(accepted(infoBitmap(h, 4096)));
    }
  }
  // Sizes that cannot be drawn at all.
  h = InfoHeader();
  for (int32_t width : {0, -1, INT32_MIN}) {
    h.width = width;
    EXPECT_FALSE(accepted(infoBitmap(h, 4096)));
  }
  h = InfoHeader();
  h.height = 0;
  EXPECT_FALSE(accepted(infoBitmap(h, 4096)));
  EXPECT_FALSE(accepted(coreBitmap(0, 1, 24, 64)));
  EXPECT_FALSE(accepted(coreBitmap(1, 0, 24, 64)));
}

TEST(BitmapCheck, OnlyDrawableDepthsAndCompressions) {
  InfoHeader h;
  for (int bits : {0, 2, 3, 7, 15, 23, 31, 33, 64, 0xFFFF}) {
    SCOPED_TRACE(bits);
    h.bitsPerPixel = bits;
    EXPECT_FALSE(accepted(infoBitmap(h, 1 << 16)));
  }
  // The core header knows 1, 4, 8 and 24 bits only.
  EXPECT_FALSE(accepted(coreBitmap(1, 1, 16, 1 << 18)));
  EXPECT_FALSE(accepted(coreBitmap(1, 1, 32, 64)));
  h = InfoHeader();
  for (uint32_t compression : {4u, 5u, 6u, 0x80000000u}) {
    SCOPED_TRACE(compression);
    h.compression = compression;
    h.imageSize = 16;
    EXPECT_FALSE(accepted(infoBitmap(h, 4096)));
  }
  // Run-length compression belongs to its bit depth.
  h = InfoHeader();
  h.compression = BitmapRle8;
  h.imageSize = 16;
  EXPECT_FALSE(accepted(infoBitmap(h, 4096)));  // 24 bits
  h.bitsPerPixel = 4;
  EXPECT_FALSE(accepted(infoBitmap(h, 4096)));
}

TEST(BitmapCheck, RunLengthPicturesNeedTheirImageSizeInside) {
  InfoHeader h;
  h.width = 1000;  // no row arithmetic: the runs decode to the size
  h.height = 1000;
  h.bitsPerPixel = 8;
  h.compression = BitmapRle8;
  h.imageSize = 100;
  EXPECT_TRUE(accepted(infoBitmap(h, 1024 + 100)));
  EXPECT_FALSE(accepted(infoBitmap(h, 1024 + 99)));
  h.imageSize = 0;
  EXPECT_FALSE(accepted(infoBitmap(h, 1024 + 100)));
  h.imageSize = 0xFFFFFFFFu;
  EXPECT_FALSE(accepted(infoBitmap(h, 1024 + 100)));
  h.bitsPerPixel = 4;
  h.compression = BitmapRle4;
  h.imageSize = 10;
  EXPECT_TRUE(accepted(infoBitmap(h, 64 + 10)));
}

TEST(BitmapCheck, BitFieldMasksMustBeInside) {
  // 32 bits, 1 x 1: the 12 mask bytes follow the header; the pixels are
  // read from the bits offset (the header's end) and overlap them.
  InfoHeader h;
  h.width = 1;
  h.height = 1;
  h.bitsPerPixel = 32;
  h.compression = BitmapBitFields;
  EXPECT_TRUE(accepted(infoBitmap(h, 12)));
  EXPECT_FALSE(accepted(infoBitmap(h, 11)));
}

TEST(BitmapCheck, FileHeaderRoundTrip) {
  BitmapLayout layout;
  layout.bitsOffset = 40 + 1024;
  uint8_t header[BitmapFileHeaderSize];
  makeBitmapFileHeader(layout, 5000, header);
  const uint8_t expected[] = {'B', 'M', 0x96, 0x13, 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0};
  EXPECT_EQ(Bytes(header, header + 14), Bytes(expected, expected + 14));
  uint32_t fileSize = 0;
  ASSERT_TRUE(readBitmapFileHeader(header, fileSize));
  EXPECT_EQ(fileSize, 5014u);
  header[1] = 'A';
  EXPECT_FALSE(readBitmapFileHeader(header, fileSize));
}

}  // namespace
