// The background picture's bytes: a device-independent bitmap as a bitmap
// file holds it after its 14-byte file header (information header, colour
// table, pixels; docs/format.md#background-picture), and that file header.
//
// Portable and allocation-free, so that the native tests and the fuzzer
// reach every check. The drawing call reads the header, the colour table and
// the pixel rows straight from these bytes, so nothing is accepted that
// would make it read past them.
#pragma once

#include <stdint.h>

constexpr int BitmapFileHeaderSize = 14;
constexpr int BitmapCoreHeaderSize = 12;  // width and height in 16-bit words
constexpr int BitmapInfoHeaderSize = 40;  // width and height in 32-bit words

// Compression values of the 40-byte header.
enum BitmapCompression : uint32_t {
  BitmapUncompressed = 0,
  BitmapRle8 = 1,
  BitmapRle4 = 2,
  BitmapBitFields = 3,
};

// What the header of a picture says. All zero when no picture is held.
struct BitmapLayout {
  int width = 0;         // pixels; 0 means no picture
  int height = 0;        // rows; negative when the rows are stored top-down
  int bitsOffset = 0;    // header size + colour count x entry size
  int colourCount = 0;   // colour-table entries
  int bitsPerPixel = 0;
};

// Reads the header at the start of `data` (`length` bytes) into `layout`.
// The header is 12 bytes (colour entries of 3 bytes, 2^bits entries below 24
// bits per pixel) or 40 bytes (entries of 4 bytes, the colours-used word or
// else 2^bits below 24 bits). Accepted only when the data is longer than 12
// bytes and holds the whole header, the colour table (and the three masks of
// a bit-field picture), and the pixels: every row padded to 4 bytes for the
// header's width, height and bit depth, or for a run-length picture the
// header's image size. Width must be above 0, height not 0, the bit depth
// one the system draws. No arithmetic here can overflow. Returns false with
// `layout` all zero otherwise.
bool checkBitmapData(const void* data, int length, BitmapLayout& layout);

// Bytes of one padded pixel row, or -1 when it would not fit in 32 bits.
int64_t bitmapRowBytes(int64_t width, int bitsPerPixel);

// The file header for data of `dataLength` bytes with `layout`: "BM", the
// file size (data + 14), two zero words, the bits offset + 14; all fields
// little-endian.
void makeBitmapFileHeader(const BitmapLayout& layout, int dataLength,
                          uint8_t header[BitmapFileHeaderSize]);

// Reads a file header: false unless it begins with "BM"; else `fileSize` is
// its file-size field (the data follows the 14 header bytes).
bool readBitmapFileHeader(const uint8_t header[BitmapFileHeaderSize], uint32_t& fileSize);
