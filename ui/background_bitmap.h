// The background picture (module ginstall): a device-independent bitmap held
// in memory as a bitmap file stores it after its 14-byte file header, drawn
// stretched over the background window. The installation loads it from the
// archive header and saves it as "Installer Background.BMP"; the uninstaller
// loads it from that file. No windows.h here: setup/ uses it too.
#pragma once

#include "core/bitmap_check.h"
#include "core/core32.h"

struct OpaqueDeviceContext;
using DeviceContextHandle = OpaqueDeviceContext*;  // an HDC

// A rectangle in device pixels; right and bottom are inclusive for draw().
struct PixelRect {
  int left;
  int top;
  int right;
  int bottom;
};

// The raster operation that copies the picture as it is.
constexpr uint32_t RasterCopy = 0x00CC0020;  // SRCCOPY

class BackgroundBitmap {
 public:
  // Copies `length` bytes and checks them (checkBitmapData); a picture that
  // fails the check is cleared. Fails at once, the picture unchanged, for a
  // null pointer or a length of 0 or less.
  bool loadFromMemory(const void* bytes, int length);

  // Reads a bitmap file: "BM", the file-size field, then file size - 14
  // bytes of data, which are checked. A file that cannot be opened, does not
  // begin with "BM", or whose file-size field is below 14 or beyond the
  // file's end (a damaged file is not trusted for an allocation) fails and
  // leaves the picture empty.
  bool loadFromFile(const char* path);

  // Writes the 14-byte file header and the data. False when the file cannot
  // be created or not all of it can be written.
  bool saveToFile(const char* path) const;

  bool isEmpty() const { return layout_.width == 0; }

  // StretchDIBits of the whole picture onto `area` (right and bottom
  // inclusive) with `rasterOperation`. Nothing for a null device context or
  // an empty picture. Rows stored top-down are drawn the right way up.
  void draw(DeviceContextHandle dc, const PixelRect& area, uint32_t rasterOperation) const;

  // Frees the data; every field becomes 0.
  void clear();

  const BitmapLayout& layout() const { return layout_; }
  const String& data() const { return data_; }

 private:
  bool validate();

  BitmapLayout layout_;
  String data_;
};

// The picture of the background window; empty until the archive or the
// uninstall record provides one. Whoever changes it repaints the window.
extern BackgroundBitmap BackgroundImage;

// LoadBackgroundPicture and the other picture services of
// setup/user_interface.h work on BackgroundImage.
