#include "ui/background_bitmap.h"

#include <windows.h>

#include "platform/gfile.h"
#include "setup/user_interface.h"

BackgroundBitmap BackgroundImage;

bool BackgroundBitmap::loadFromMemory(const void* bytes, int length) {
  if (bytes == nullptr || length <= 0) return false;
  data_.assign(static_cast<const char*>(bytes), length);
  return validate();
}

bool BackgroundBitmap::loadFromFile(const char* path) {
  clear();
  File file;
  if (!file.openExisting(path, true, false, false)) return false;
  uint8_t header[BitmapFileHeaderSize];
  uint32_t fileSize = 0;
  if (!file.read(header, BitmapFileHeaderSize) || !readBitmapFileHeader(header, fileSize)) return false;
  const int64_t dataLength = int64_t{fileSize} - BitmapFileHeaderSize;
  if (dataLength < 0 || dataLength > StringSizeLimit || int64_t{fileSize} > file.size()) return false;
  String bytes;
  if (!file.readRange(bytes, BitmapFileHeaderSize, static_cast<int>(dataLength))) return false;
  file.close();
  data_.swap(bytes);
  return validate();
}

bool BackgroundBitmap::saveToFile(const char* path) const {
  File file;
  if (!file.create(path, false)) return false;
  uint8_t header[BitmapFileHeaderSize];
  makeBitmapFileHeader(layout_, data_.length(), header);
  return file.write(header, BitmapFileHeaderSize) && file.write(data_);
}

void BackgroundBitmap::draw(DeviceContextHandle dc, const PixelRect& area, uint32_t rasterOperation) const {
  if (dc == nullptr || isEmpty()) return;
  // checkBitmapData bounds the height, so its magnitude fits an int.
  const int rows = layout_.height < 0 ? -layout_.height : layout_.height;
  const char* info = data_.cStr();
  StretchDIBits(reinterpret_cast<HDC>(dc), area.left, area.top, area.right - area.left + 1,
                area.bottom - area.top + 1, 0, 0, layout_.width, rows, info + layout_.bitsOffset,
                reinterpret_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS, rasterOperation);
}

void BackgroundBitmap::clear() {
  data_.reset();
  layout_ = BitmapLayout();
}

bool BackgroundBitmap::validate() {
  if (checkBitmapData(data_.cStr(), data_.length(), layout_)) return true;
  clear();
  return false;
}

bool LoadBackgroundPicture(const char* bytes, int length) { return BackgroundImage.loadFromMemory(bytes, length); }

bool LoadBackgroundPictureFile(const char* path) { return BackgroundImage.loadFromFile(path); }

bool HasBackgroundPicture() { return !BackgroundImage.isEmpty(); }

bool SaveBackgroundPicture(const char* path) { return BackgroundImage.saveToFile(path); }
