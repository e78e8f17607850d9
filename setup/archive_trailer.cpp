#include "setup/archive_trailer.h"

#include "archive/byte_stream.h"
#include "archive/format.h"
#include "platform/gfile.h"
#include "setup/portable/reports.h"

namespace {
const int CorruptTrailer = 10;
}

int FindArchiveHeader(File& own) {
  const int64_t size = own.size();
  String trailer;
  if (!own.readRange(trailer, size - ArchiveTrailerSize, ArchiveTrailerSize)) {
    CorruptArchive(CorruptTrailer);
  }
  int32_t offset = 0;
  ByteStream(trailer).readInt(offset);
  if (offset == 0) FatalText(NoArchiveText);
  // The system lets a file be positioned beyond its end; an offset there
  // cannot start an archive either.
  if (offset < 0 || offset > size - ArchiveTrailerSize || !own.seek(offset)) {
    CorruptArchive(CorruptTrailer);
  }
  return offset;
}
