// Fuzzes the checks of the background picture. The bytes are copied into a
// block of exactly their size, so the sanitizer sees any read beyond them.
// Property: an accepted picture has its header, its colour table (and bit
// masks) and every pixel byte the drawing call reads inside the block; its
// file header reads back as written.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "core/bitmap_check.h"

namespace {

uint32_t load32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Reads every byte the drawing call may read, so the sanitizer checks it.
uint32_t touch(const uint8_t* p, int64_t from, int64_t count) {
  uint32_t sum = 0;
  for (int64_t i = 0; i < count; ++i) sum += p[from + i];
  return sum;
}

// The bytes a drawing call reads beyond the header and colour table.
int64_t pixelBytes(const uint8_t* p, const BitmapLayout& layout) {
  const bool info = load32(p) == BitmapInfoHeaderSize;
  const uint32_t compression = info ? load32(p + 16) : BitmapUncompressed;
  if (compression == BitmapRle8 || compression == BitmapRle4) return load32(p + 20);
  const int64_t rows = layout.height < 0 ? -int64_t{layout.height} : layout.height;
  return bitmapRowBytes(layout.width, layout.bitsPerPixel) * rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  uint8_t* copy = static_cast<uint8_t*>(malloc(size == 0 ? 1 : size));
  if (size > 0) memcpy(copy, data, size);
  BitmapLayout layout;
  volatile uint32_t sink = 0;
  if (checkBitmapData(copy, static_cast<int>(size), layout)) {
    if (layout.width <= 0 || layout.height == 0 || layout.bitsOffset > static_cast<int>(size)) abort();
    sink = sink + touch(copy, 0, layout.bitsOffset);
    const int64_t pixels = pixelBytes(copy, layout);
    if (pixels <= 0 || layout.bitsOffset + pixels > static_cast<int64_t>(size)) abort();
    sink = sink + touch(copy, layout.bitsOffset, pixels);
    uint8_t header[BitmapFileHeaderSize];
    makeBitmapFileHeader(layout, static_cast<int>(size), header);
    uint32_t fileSize = 0;
    if (!readBitmapFileHeader(header, fileSize) || fileSize != size + BitmapFileHeaderSize) abort();
  } else if (layout.width != 0 || layout.bitsOffset != 0) {
    abort();
  }
  free(copy);
  return 0;
}
