#include "core/bitmap_check.h"

#include "core/core32.h"

namespace {

constexpr int CoreEntrySize = 3;  // blue, green, red
constexpr int InfoEntrySize = 4;  // blue, green, red, reserved
constexpr int BitFieldMasksSize = 12;  // three 32-bit masks after the header
// Bit depths below this have a colour table of 2^bits entries by default.
constexpr int TrueColourBits = 24;

// The header's numbers, wide enough that no hostile value overflows them.
struct HeaderValues {
  int64_t headerSize = 0;
  int64_t width = 0;
  int64_t height = 0;
  int bitsPerPixel = 0;
  uint32_t compression = BitmapUncompressed;
  int64_t imageSize = 0;
  int64_t colourCount = 0;
  int entrySize = 0;
};

int64_t defaultColourCount(int bitsPerPixel) {
  return bitsPerPixel < TrueColourBits ? int64_t{1} << bitsPerPixel : 0;
}

bool readCoreHeader(const uint8_t* p, HeaderValues& v) {
  v.width = loadLittleEndian16(p + 4);
  v.height = loadLittleEndian16(p + 6);
  v.bitsPerPixel = static_cast<int>(loadLittleEndian16(p + 10));
  v.colourCount = defaultColourCount(v.bitsPerPixel);
  v.entrySize = CoreEntrySize;
  const int b = v.bitsPerPixel;
  return b == 1 || b == 4 || b == 8 || b == 24;
}

bool readInfoHeader(const uint8_t* p, int length, HeaderValues& v) {
  if (length < BitmapInfoHeaderSize) return false;
  v.width = static_cast<int32_t>(loadLittleEndian32(p + 4));
  v.height = static_cast<int32_t>(loadLittleEndian32(p + 8));
  v.bitsPerPixel = static_cast<int>(loadLittleEndian16(p + 14));
  v.compression = loadLittleEndian32(p + 16);
  v.imageSize = loadLittleEndian32(p + 20);
  v.colourCount = loadLittleEndian32(p + 32);
  if (v.colourCount == 0) v.colourCount = defaultColourCount(v.bitsPerPixel);
  v.entrySize = InfoEntrySize;
  const int b = v.bitsPerPixel;
  return b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
}

// Whether the pixels from bitsOffset on are all inside `length` bytes.
bool pixelsFit(const HeaderValues& v, int64_t bitsOffset, int64_t length) {
  const int64_t available = length - bitsOffset;
  switch (v.compression) {
    case BitmapUncompressed:
    case BitmapBitFields: {
      const int64_t rowBytes = bitmapRowBytes(v.width, v.bitsPerPixel);
      const int64_t rows = v.height < 0 ? -v.height : v.height;
      return rowBytes > 0 && rows <= available / rowBytes;
    }
    case BitmapRle8:
    case BitmapRle4:
      // The drawing call decodes at most the image size: it must be given.
      return v.imageSize > 0 && v.imageSize <= available;
    default:
      return false;
  }
}

bool compressionMatches(const HeaderValues& v) {
  switch (v.compression) {
    case BitmapUncompressed: return true;
    case BitmapRle8: return v.bitsPerPixel == 8;
    case BitmapRle4: return v.bitsPerPixel == 4;
    case BitmapBitFields: return v.bitsPerPixel == 16 || v.bitsPerPixel == 32;
    default: return false;
  }
}

}  // namespace

int64_t bitmapRowBytes(int64_t width, int bitsPerPixel) {
  if (width < 0 || bitsPerPixel < 0 || width > INT32_MAX) return -1;
  const int64_t bytes = (width * bitsPerPixel + 31) / 32 * 4;
  return bytes > INT32_MAX ? -1 : bytes;
}

bool checkBitmapData(const void* data, int length, BitmapLayout& layout) {
  layout = BitmapLayout();
  if (data == nullptr || length <= BitmapCoreHeaderSize) return false;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  HeaderValues v;
  v.headerSize = loadLittleEndian32(p);
  bool known = false;
  if (v.headerSize == BitmapCoreHeaderSize) known = readCoreHeader(p, v);
  if (v.headerSize == BitmapInfoHeaderSize) known = readInfoHeader(p, length, v);
  if (!known || v.width <= 0 || v.height == 0 || !compressionMatches(v)) return false;
  const int64_t bitsOffset = v.headerSize + v.colourCount * v.entrySize;
  if (bitsOffset > length) return false;
  if (v.compression == BitmapBitFields && v.headerSize + BitFieldMasksSize > length) return false;
  if (!pixelsFit(v, bitsOffset, length)) return false;
  layout.width = static_cast<int>(v.width);
  layout.height = static_cast<int>(v.height);
  layout.bitsOffset = static_cast<int>(bitsOffset);
  layout.colourCount = static_cast<int>(v.colourCount);
  layout.bitsPerPixel = v.bitsPerPixel;
  return true;
}

void makeBitmapFileHeader(const BitmapLayout& layout, int dataLength,
                          uint8_t header[BitmapFileHeaderSize]) {
  header[0] = 'B';
  header[1] = 'M';
  storeLittleEndian32(header + 2, static_cast<uint32_t>(dataLength) + BitmapFileHeaderSize);
  storeLittleEndian16(header + 6, 0);
  storeLittleEndian16(header + 8, 0);
  storeLittleEndian32(header + 10, static_cast<uint32_t>(layout.bitsOffset) + BitmapFileHeaderSize);
}

bool readBitmapFileHeader(const uint8_t header[BitmapFileHeaderSize], uint32_t& fileSize) {
  if (header[0] != 'B' || header[1] != 'M') return false;
  fileSize = loadLittleEndian32(header + 2);
  return true;
}
