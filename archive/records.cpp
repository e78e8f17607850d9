#include "archive/records.h"

#include "archive/codec.h"

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// A component of dots and blanks alone with at least two dots: "..", ". .",
// "... " and the like, which path handling may take for the parent.
bool isParentLike(const char* start, const char* end) {
  int dots = 0;
  for (const char* p = start; p < end; ++p) {
    if (*p == '.') ++dots;
    else if (*p != ' ') return false;
  }
  return dots >= 2;
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool IsDeviceName(const char* component, size_t length) {
  size_t stem = 0;
  while (stem < length && component[stem] != '.') ++stem;
  while (stem > 0 && component[stem - 1] == ' ') --stem;
  char name[4];
  if (stem != 3 && stem != 4) return false;
  for (size_t i = 0; i < 3; ++i) name[i] = upper(component[i]);
  if (stem == 3) {
    static const char Devices[] = "CONPRNAUXNUL";
    for (const char* device = Devices; *device; device += 3)
      if (name[0] == device[0] && name[1] == device[1] && name[2] == device[2]) return true;
    return false;
  }
  const bool port = (name[0] == 'C' && name[1] == 'O' && name[2] == 'M') ||
                    (name[0] == 'L' && name[1] == 'P' && name[2] == 'T');
  return port && component[3] >= '1' && component[3] <= '9';
}

bool IsContainedFileName(const String& name) {
  if (name.isEmpty() || isSeparator(name.firstChar()) || name.findChar(':') >= 0) return false;
  const char* p = name.cStr();
  const char* const end = p + name.length();
  while (p <= end) {
    const char* componentEnd = p;
    while (componentEnd < end && !isSeparator(*componentEnd)) ++componentEnd;
    if (isParentLike(p, componentEnd) || IsDeviceName(p, static_cast<size_t>(componentEnd - p))) return false;
    p = componentEnd + 1;
  }
  return true;
}

int ReadFileRecord(ByteStream& payload, int32_t size, bool verifyChecksums, FileRecord& record) {
  bool complete = payload.readString(record.name);
  if (!IsContainedFileName(record.name)) return CorruptFileName;
  complete = payload.readInt(record.kind) && complete;
  complete = payload.readInt(record.options) && complete;
  if (size < 0 || payload.remaining() < size) return CorruptFileData;
  record.data = payload.bytes().cStr() + payload.position();
  record.size = size;
  payload.skip(size);
  complete = payload.readInt(record.checksum) && complete;
  if (verifyChecksums && Checksum(record.data, size) != record.checksum) return CorruptFileChecksum;
  complete = payload.readDateTime(record.time) && complete;
  complete = payload.readString(record.detail) && complete;
  if (!complete) return CorruptFileData;
  if (!isValidDestinationKind(record.kind)) return CorruptFileKind;
  if (record.existenceRule() == InvalidExistenceRule) return CorruptExistenceRule;
  return ArchiveReadOk;
}
