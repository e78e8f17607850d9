#include "pack/bitmap.h"

#include <stdint.h>

#include "core/bitmap_check.h"
#include "core/core32.h"

namespace {

bool loads(const Bytes& picture, BitmapLayout& layout) {
  return picture.size() <= INT32_MAX &&
         checkBitmapData(picture.data(), static_cast<int>(picture.size()), layout);
}

// Why the installer would not load data whose header is 12 or 40 bytes.
std::string whyNotLoaded(const Bytes& data) {
  const uint8_t* const p = data.data();
  const bool info = loadLittleEndian32(p) == BitmapInfoHeaderSize;
  if (data.size() < static_cast<size_t>(info ? BitmapInfoHeaderSize : BitmapCoreHeaderSize))
    return "its header is cut short";
  const uint32_t bits = loadLittleEndian16(p + (info ? 14 : 10));
  const int64_t width = info ? static_cast<int32_t>(loadLittleEndian32(p + 4)) : loadLittleEndian16(p + 4);
  const int64_t height = info ? static_cast<int32_t>(loadLittleEndian32(p + 8)) : loadLittleEndian16(p + 6);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && !(info && (bits == 16 || bits == 32)))
    return "it has " + std::to_string(bits) + " bits per pixel; use 1, 4, 8 or 24 (or 16 and 32 with a 40-byte header)";
  if (width <= 0 || height == 0) return "its width or height is 0";
  return "its colour table or pixels do not fit in the file, or its compression does not suit its bits per "
         "pixel; save it uncompressed";
}

}  // namespace

Bytes pictureFromBitmapFile(const Bytes& file, const std::string& name) {
  const std::string prefix = name + ": not usable as the background picture: ";
  uint32_t declaredSize = 0;
  if (file.size() < static_cast<size_t>(BitmapFileHeaderSize) || !readBitmapFileHeader(file.data(), declaredSize))
    throw PackError(prefix + "it is not a bitmap file (it does not begin with \"BM\")");
  // The uninstaller reads its saved copy of the picture by this field.
  if (declaredSize != file.size())
    throw PackError(prefix + "its header gives the file size " + std::to_string(declaredSize) +
                    " but the file has " + std::to_string(file.size()) + " bytes");
  const Bytes data(file.begin() + BitmapFileHeaderSize, file.end());
  const uint32_t headerSize = data.size() >= 4 ? loadLittleEndian32(data.data()) : 0;
  if (headerSize != BitmapCoreHeaderSize && headerSize != BitmapInfoHeaderSize)
    throw PackError(prefix + "its header is " + std::to_string(headerSize) +
                    " bytes long; the installer shows only bitmaps with a 40-byte (Windows 3) or 12-byte "
                    "(OS/2) header. Save it as a Windows 3 bitmap, for example with ImageMagick: "
                    "convert in.png BMP3:out.bmp");
  BitmapLayout layout;
  if (!loads(data, layout)) throw PackError(prefix + whyNotLoaded(data));
  // The installer takes the pixels right after the colour table; masks
  // after the header would be drawn as pixels.
  if (headerSize == BitmapInfoHeaderSize && loadLittleEndian32(data.data() + 16) == BitmapBitFields)
    throw PackError(prefix + "it uses bit-field masks, which the installer would draw as pixels; save it as a 24-bit bitmap");
  const uint32_t pixelsAt = loadLittleEndian32(file.data() + 10);
  if (pixelsAt != static_cast<uint32_t>(layout.bitsOffset) + BitmapFileHeaderSize)
    throw PackError(prefix + "its pixels start at byte " + std::to_string(pixelsAt) +
                    ", but the installer expects them right after the colour table, at byte " +
                    std::to_string(layout.bitsOffset + BitmapFileHeaderSize));
  return data;
}

Bytes bitmapFileFromPicture(const Bytes& picture) {
  BitmapLayout layout;
  loads(picture, layout);
  Bytes file(BitmapFileHeaderSize);
  makeBitmapFileHeader(layout, static_cast<int>(picture.size()), file.data());
  file.insert(file.end(), picture.begin(), picture.end());
  return file;
}

PictureInfo pictureInfo(const Bytes& picture) {
  BitmapLayout layout;
  if (!loads(picture, layout)) return {};
  return {layout.width, layout.height, layout.bitsPerPixel};
}
