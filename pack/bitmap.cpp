#include "pack/bitmap.h"

#include <stdint.h>

namespace {

constexpr int CoreHeaderSize = 12;
constexpr int InfoHeaderSize = 40;
constexpr uint32_t BitFieldsCompression = 3;

uint32_t load16(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t load32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void store16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void store32(Bytes& b, uint32_t v) {
  store16(b, v);
  store16(b, v >> 16);
}

// What the installer derives from the stored data: the header's numbers
// and the offset of the pixels (header size + colour count x entry size).
struct Layout {
  uint32_t headerSize = 0;
  int64_t width = 0;
  int64_t height = 0;
  uint32_t bitsPerPixel = 0;
  uint32_t compression = 0;
  int64_t bitsOffset = 0;
};

// The installer's reading of the data; "" when it loads, else the reason.
std::string readLayout(const Bytes& data, Layout& layout) {
  if (data.size() <= static_cast<size_t>(CoreHeaderSize)) return "it is too short to hold a bitmap header";
  layout.headerSize = load32(data, 0);
  int64_t colours;
  int entrySize;
  if (layout.headerSize == CoreHeaderSize) {
    layout.width = static_cast<int16_t>(load16(data, 4));
    layout.height = static_cast<int16_t>(load16(data, 6));
    layout.bitsPerPixel = load16(data, 10);
    colours = layout.bitsPerPixel < 24 ? int64_t{1} << layout.bitsPerPixel : 0;
    entrySize = 3;
  } else if (layout.headerSize == InfoHeaderSize) {
    if (data.size() < static_cast<size_t>(InfoHeaderSize)) return "its 40-byte header is cut short";
    layout.width = static_cast<int32_t>(load32(data, 4));
    layout.height = static_cast<int32_t>(load32(data, 8));
    layout.bitsPerPixel = load16(data, 14);
    layout.compression = load32(data, 16);
    colours = load32(data, 32);
    if (colours == 0 && layout.bitsPerPixel < 24) colours = int64_t{1} << layout.bitsPerPixel;
    entrySize = 4;
  } else {
    return "its header is " + std::to_string(layout.headerSize) +
           " bytes long; the installer shows only bitmaps with a 40-byte (Windows 3) or 12-byte "
           "(OS/2) header. Save it as a Windows 3 bitmap, for example with ImageMagick: "
           "convert in.png BMP3:out.bmp";
  }
  layout.bitsOffset = layout.headerSize + colours * entrySize;
  return "";
}

// Further checks the builder adds so that what the installer loads is also
// drawn right.
std::string checkDrawable(const Bytes& data, const Layout& layout) {
  const uint32_t bpp = layout.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    return "it has " + std::to_string(bpp) + " bits per pixel; use 1, 4, 8, 16, 24 or 32";
  if (layout.width <= 0 || layout.height == 0) return "its width or height is 0";
  if (layout.compression == BitFieldsCompression)
    return "it uses bit-field masks, which the installer does not account for; save it as a 24-bit bitmap";
  if (layout.compression > BitFieldsCompression) return "it uses an unsupported compression";
  if (layout.bitsOffset > static_cast<int64_t>(data.size()))
    return "its colour table runs past the end of the file";
  if (layout.compression == 0) {
    const int64_t rowBytes = (layout.width * bpp + 31) / 32 * 4;
    const int64_t rows = layout.height < 0 ? -layout.height : layout.height;
    if (layout.bitsOffset + rowBytes * rows > static_cast<int64_t>(data.size()))
      return "it holds fewer pixel bytes than its size needs";
  }
  return "";
}

}  // namespace

Bytes pictureFromBitmapFile(const Bytes& file, const std::string& name) {
  const std::string prefix = name + ": not usable as the background picture: ";
  if (file.size() < static_cast<size_t>(BitmapFileHeaderSize) || file[0] != 'B' || file[1] != 'M')
    throw PackError(prefix + "it is not a bitmap file (it does not begin with \"BM\")");
  // The installer's uninstaller reads the saved picture by this field.
  const uint32_t declaredSize = load32(file, 2);
  if (declaredSize != file.size())
    throw PackError(prefix + "its header gives the file size " + std::to_string(declaredSize) +
                    " but the file has " + std::to_string(file.size()) + " bytes");
  const Bytes data(file.begin() + BitmapFileHeaderSize, file.end());
  Layout layout;
  std::string reason = readLayout(data, layout);
  if (reason.empty()) reason = checkDrawable(data, layout);
  if (reason.empty() && load32(file, 10) != layout.bitsOffset + BitmapFileHeaderSize)
    reason = "its pixels start at byte " + std::to_string(load32(file, 10)) +
             ", but the installer expects them right after the colour table, at byte " +
             std::to_string(layout.bitsOffset + BitmapFileHeaderSize);
  if (!reason.empty()) throw PackError(prefix + reason);
  return data;
}

Bytes bitmapFileFromPicture(const Bytes& picture) {
  Layout layout;
  readLayout(picture, layout);
  Bytes file;
  file.reserve(picture.size() + BitmapFileHeaderSize);
  file.push_back('B');
  file.push_back('M');
  store32(file, static_cast<uint32_t>(picture.size() + BitmapFileHeaderSize));
  store32(file, 0);
  store32(file, static_cast<uint32_t>(layout.bitsOffset + BitmapFileHeaderSize));
  file.insert(file.end(), picture.begin(), picture.end());
  return file;
}

PictureInfo pictureInfo(const Bytes& picture) {
  Layout layout;
  if (!readLayout(picture, layout).empty()) return {};
  return {static_cast<int>(layout.width), static_cast<int>(layout.height), static_cast<int>(layout.bitsPerPixel)};
}
