#include "setup/write_file.h"

#include <string.h>

#include "archive/corrupt_codes.h"
#include "archive/format.h"
#include "platform/filesys.h"
#include "platform/gfile.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/reports.h"

namespace {

constexpr int WriteAttempts = 3;

// A file cut short (on a full drive) is deleted again: it must neither pass
// for the product's file nor keep the space that the files after it need.
bool writeOnce(PathText path, const char* data, int32_t size) {
  File file;
  file.setFatalOnUnopenedWrite(false);
  if (!file.create(path, true)) return false;
  if (file.write(data, size)) return true;
  file.close();
  deleteFile(path);
  return false;
}

bool readsBack(PathText path, const char* data, int32_t size) {
  String back;
  if (!readWholeFile(path, back) && size != 0) return false;
  return back.length() == size && (size == 0 || memcmp(back.cStr(), data, static_cast<size_t>(size)) == 0);
}

void setWriteTime(PathText path, const DateTimeStamp& time) {
  File file;
  if (file.openExisting(path, false, true, false)) file.setTime(time);
}

}  // namespace

String CouldNotWriteLine(PathText path) {
  return formatString("%s %s\r\n", Message(MsgCouldNotWrite), path.text());
}

bool WriteFileWithRetries(PathText path, const char* data, int32_t size, const DateTimeStamp& time,
                          String& log) {
  if (size < 0) CorruptArchive(CorruptDataLength);
  for (int attempt = 1; attempt <= WriteAttempts; ++attempt) {
    if (!writeOnce(path, data, size)) {
      if (attempt == 1 && HasInstallFlag(ClearReadOnly)) setReadOnly(path, false);
      continue;
    }
    if (HasInstallFlag(VerifyWrites) && !readsBack(path, data, size)) continue;
    if (!time.isEmpty()) setWriteTime(path, time);
    return true;
  }
  log += CouldNotWriteLine(path);
  return false;
}
