// Checks a background picture the way the installer will load and draw it
// and returns what the package stores: the bitmap file without its 14-byte
// file header (docs/format.md#background-picture).
#pragma once

#include <string>

#include "pack/package.h"

// file: the whole .bmp file; name: how to call it in errors. Throws
// PackError with the reason when the installer would not load the picture
// (the checks of core/bitmap_check.h) or would draw it wrong: a file-size
// field other than the file's size, pixels elsewhere than right after the
// colour table, bit-field masks.
Bytes pictureFromBitmapFile(const Bytes& file, const std::string& name);

// A 14-byte file header and the stored picture: the .bmp file again.
Bytes bitmapFileFromPicture(const Bytes& picture);

struct PictureInfo {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
};

// The size of a stored picture as the installer reads it; zeros when it
// would not load.
PictureInfo pictureInfo(const Bytes& picture);
