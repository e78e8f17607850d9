// Background pictures: accepted as the installer will load and draw them.
#include "pack/bitmap.h"

#include <gtest/gtest.h>

#include "tool_test_support.h"

namespace {

void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A bitmap file with a 40-byte header: width x height at bpp bits, with a
// full colour table below 24 bits.
Bytes bitmapFile(int width, int height, int bpp) {
  const uint32_t colours = bpp < 24 ? 1u << bpp : 0;
  const uint32_t row = static_cast<uint32_t>((width * bpp + 31) / 32 * 4);
  const uint32_t offset = 14 + 40 + colours * 4;
  Bytes b(offset + row * static_cast<uint32_t>(height < 0 ? -height : height), 0x55);
  b[0] = 'B', b[1] = 'M';
  put32(b, 2, static_cast<uint32_t>(b.size()));
  put32(b, 6, 0);
  put32(b, 10, offset);
  put32(b, 14, 40);
  put32(b, 18, static_cast<uint32_t>(width));
  put32(b, 22, static_cast<uint32_t>(height));
  b[26] = 1, b[27] = 0;
  b[28] = static_cast<uint8_t>(bpp), b[29] = 0;
  put32(b, 30, 0);
  put32(b, 46, 0);
  return b;
}

std::string refusal(const Bytes& file) {
  try {
    pictureFromBitmapFile(file, "bg.bmp");
  } catch (const PackError& e) {
    return e.what();
  }
  return "(accepted)";
}

TEST(BitmapTest, StoresTheFileWithoutItsFileHeader) {
  for (int bpp : {1, 4, 8, 24, 32}) {
    const Bytes file = bitmapFile(33, 7, bpp);
    const Bytes picture = pictureFromBitmapFile(file, "bg.bmp");
    EXPECT_EQ(picture, Bytes(file.begin() + 14, file.end())) << bpp;
    EXPECT_EQ(bitmapFileFromPicture(picture), file) << "the uninstaller's copy is the same file";
    const PictureInfo info = pictureInfo(picture);
    EXPECT_EQ(info.width, 33);
    EXPECT_EQ(info.height, 7);
    EXPECT_EQ(info.bitsPerPixel, bpp);
  }
  EXPECT_EQ(refusal(bitmapFile(10, -10, 24)), "(accepted)") << "top-down bitmaps too";
}

TEST(BitmapTest, RefusesWhatTheInstallerWouldNotShowRight) {
  Bytes v5 = bitmapFile(4, 4, 24);
  put32(v5, 14, 124);
  EXPECT_TRUE(contains(refusal(v5), "its header is 124 bytes long")) << refusal(v5);
  EXPECT_TRUE(contains(refusal({'G', 'I', 'F', '8'}), "it is not a bitmap file"));
  Bytes wrongSize = bitmapFile(4, 4, 24);
  wrongSize.push_back(0);
  EXPECT_TRUE(contains(refusal(wrongSize), "gives the file size"));
  Bytes shortPixels = bitmapFile(40, 40, 24);
  shortPixels.resize(shortPixels.size() - 10);
  put32(shortPixels, 2, static_cast<uint32_t>(shortPixels.size()));
  EXPECT_TRUE(contains(refusal(shortPixels), "pixels do not fit in the file"));
  Bytes offset = bitmapFile(4, 4, 8);
  put32(offset, 46, 16);  // 16 colours used: the pixels would start earlier
  EXPECT_TRUE(contains(refusal(offset), "the installer expects them right after the colour table"));
  Bytes fields = bitmapFile(4, 4, 32);
  put32(fields, 30, 3);
  EXPECT_TRUE(contains(refusal(fields), "bit-field masks")) << refusal(fields);
  EXPECT_TRUE(contains(refusal(bitmapFile(4, 4, 2)), "2 bits per pixel"));
  EXPECT_TRUE(contains(refusal(bitmapFile(0, 4, 24)), "width or height is 0"));
  for (size_t kept : {4, 11}) {  // 12-byte headers cut short: nothing read past them
    Bytes cut(14 + kept, 0);
    cut[0] = 'B', cut[1] = 'M';
    put32(cut, 2, static_cast<uint32_t>(cut.size()));
    put32(cut, 14, 12);
    EXPECT_TRUE(contains(refusal(cut), "its header is cut short")) << refusal(cut);
  }
}

}  // namespace
