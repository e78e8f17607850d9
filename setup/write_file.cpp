#include "setup/write_file.h"

#include <string.h>

#include "archive/corrupt_codes.h"
#include "archive/format.h"
#include "platform/filesys.h"
#include "platform/gfile.h"
#include "platform/phase_profile.h"
#include "platform/system_version.h"
#include "setup/portable/localized_strings.h"
#include "setup/portable/process_state.h"
#include "setup/portable/reports.h"

namespace {

constexpr int WriteAttempts = 3;

// Whether a time set through the handle that wrote the file needs the
// written data flushed first. The NT family's file systems keep a time set
// through a handle: the cached writes that reach the disk later do not move
// it. Of the 95 family's write-behind cache we cannot say the same, so there
// the data is flushed first. A flush waits for the disk (under Wine, an
// fsync per file): it cost more than writing the file, on many small files
// a third of the whole installation.
bool flushBeforeTime() {
  static const bool needed = !IsWindowsNT();
  return needed;
}

// A file cut short (on a full drive) is deleted again: it must neither pass
// for the product's file nor keep the space that the files after it need.
// `time`, when given, is set through the same handle: opening the file a
// second time only for its time costs as much as writing a small file.
bool writeOnce(PathText path, const char* data, int32_t size, const DateTimeStamp* time) {
  File file;
  file.setFatalOnUnopenedWrite(false);
  {
    PhaseScope phase(Phase::Create);
    if (!file.create(path, true)) return false;
  }
  bool written;
  {
    PhaseScope phase(Phase::Write);
    written = file.write(data, size);
  }
  if (written) {
    if (time != nullptr) {
      PhaseScope phase(Phase::TimeStamp);
      file.setTime(*time, flushBeforeTime());
    }
    PhaseScope phase(Phase::Close);
    file.close();
    return true;
  }
  file.close();
  deleteFile(path);
  return false;
}

bool readsBack(PathText path, const char* data, int32_t size) {
  String back;
  if (!readWholeFile(path, back) && size != 0) return false;
  return back.length() == size && (size == 0 || memcmp(back.cStr(), data, static_cast<size_t>(size)) == 0);
}

// A verified file is closed and read back before it gets its time, so this
// handle has written nothing: the flush is the same question as above.
void setWriteTime(PathText path, const DateTimeStamp& time) {
  File file;
  if (file.openExisting(path, false, true, false)) file.setTime(time, flushBeforeTime());
}

}  // namespace

String CouldNotWriteLine(PathText path) {
  return formatString("%s %s\r\n", Message(MsgCouldNotWrite), path.text());
}

bool WriteFileWithRetries(PathText path, const char* data, int32_t size, const DateTimeStamp& time,
                          String& log) {
  if (size < 0) CorruptArchive(CorruptDataLength);
  // Verified writes get their time once the read-back has passed.
  const bool verify = HasInstallFlag(VerifyWrites);
  const DateTimeStamp* timeNow = verify || time.isEmpty() ? nullptr : &time;
  for (int attempt = 1; attempt <= WriteAttempts; ++attempt) {
    if (!writeOnce(path, data, size, timeNow)) {
      if (attempt == 1 && HasInstallFlag(ClearReadOnly)) setReadOnly(path, false);
      continue;
    }
    if (verify && !readsBack(path, data, size)) continue;
    if (verify && !time.isEmpty()) setWriteTime(path, time);
    return true;
  }
  log += CouldNotWriteLine(path);
  return false;
}
