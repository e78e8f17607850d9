#include "setup/archive_trailer.h"

#include <stdint.h>

#include "archive/format.h"
#include "platform/gfile.h"
#include "setup/portable/reports.h"

namespace {
const int CorruptTrailer = 10;
}

int FindArchiveHeader(File& own) {
  unsigned char bytes[ArchiveTrailerSize] = {};
  if (!own.seekFromEnd(-ArchiveTrailerSize) || !own.readBlock(bytes, ArchiveTrailerSize)) {
    CorruptArchive(CorruptTrailer);
  }
  const int32_t offset = static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) |
                                              static_cast<uint32_t>(bytes[1]) << 8 |
                                              static_cast<uint32_t>(bytes[2]) << 16 |
                                              static_cast<uint32_t>(bytes[3]) << 24);
  if (offset == 0) FatalText(NoArchiveText);
  // The system lets a file be positioned beyond its end; an offset there
  // cannot start an archive either.
  if (offset < 0 || offset > own.size() - ArchiveTrailerSize || !own.seek(offset)) {
    CorruptArchive(CorruptTrailer);
  }
  return offset;
}
