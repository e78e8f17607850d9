// Fuzzes the reading of file records from a payload stream, as the
// installer takes them out one after the other.
// Property: any bytes give records or a code, never a crash or a read
// outside the stream; an accepted record's data lies inside the stream, and
// its name joined to a destination directory stays inside that directory
// when Windows resolves it (checked here by a walk of its own over the
// components, not by the reader's check).
//
// Input: a flags byte (bit 0: verify checksums), a count byte, that many
// signed 16-bit data sizes (as the header would give them), then the payload.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "archive/records.h"
#include "core/path.h"

namespace {

const char Destination[] = "C:\\Program Files\\Product";
const int MaxRecords = 16;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Whether the path below the destination, as Windows resolves it ("." stays,
// ".." goes up, trailing blanks and dots of a component are ignored), never
// climbs above it. Drive and stream colons and rooted names leave it at once.
bool staysBelow(const String& joined) {
  const String prefix = String(Destination) + "\\";
  if (joined.compare(prefix, true, prefix.length()) != 0) return false;
  const String rest = joined.substring(prefix.length());
  if (rest.findChar(':') >= 0 || isSeparator(rest.firstChar())) return false;
  int depth = 0;
  int start = 0;
  while (start <= rest.length()) {
    int end = start;
    while (end < rest.length() && !isSeparator(rest.charAt(end))) ++end;
    String component = rest.substring(start, end - start);
    component.trimRightSet(" ");
    if (component == "..") {
      if (--depth < 0) return false;
    } else if (!component.isEmpty() && component != ".") {
      ++depth;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1u << 20)) return 0;
  const bool verify = data[0] & 1;
  const int count = data[1] % (MaxRecords + 1);
  size_t at = 2;
  int32_t sizes[MaxRecords] = {};
  for (int i = 0; i < count && at + 2 <= size; ++i, at += 2)
    sizes[i] = static_cast<int16_t>(data[at] | data[at + 1] << 8);
  ByteStream payload(String(reinterpret_cast<const char*>(data + at), static_cast<int>(size - at)));
  const char* const begin = payload.bytes().cStr();
  const char* const end = begin + payload.length();
  for (int i = 0; i < count; ++i) {
    FileRecord record;
    if (ReadFileRecord(payload, sizes[i], verify, record) != ArchiveReadOk) break;
    if (record.size != sizes[i] || record.data < begin || record.data + record.size > end) abort();
    if (!staysBelow(joinPath(Destination, record.name))) abort();
  }
  return 0;
}
