#include "platform/gfile.h"

#include <windows.h>

#include "core/fatal.h"
#include "platform/system_error.h"

namespace {

DateTimeStamp stampFrom(const SYSTEMTIME& t) {
  DateTimeStamp s;
  s.year = t.wYear;
  s.month = t.wMonth;
  s.day = t.wDay;
  s.hour = t.wHour;
  s.minute = t.wMinute;
  s.second = t.wSecond;
  return s;
}

SYSTEMTIME systemTimeFrom(const DateTimeStamp& s) {
  SYSTEMTIME t = {};  // weekday and milliseconds stay 0
  t.wYear = static_cast<WORD>(s.year);
  t.wMonth = static_cast<WORD>(s.month);
  t.wDay = static_cast<WORD>(s.day);
  t.wHour = static_cast<WORD>(s.hour);
  t.wMinute = static_cast<WORD>(s.minute);
  t.wSecond = static_cast<WORD>(s.second);
  return t;
}

}  // namespace

bool File::fail(const char* text) {
  lastError_ = text;
  return false;
}

bool File::failWithSystemText() { return fail(SystemErrorText()); }

bool File::openHandle(unsigned access, unsigned share, unsigned disposition, unsigned attributes) {
  HANDLE h = CreateFileA(name_.cStr(), access, share, nullptr, disposition, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) return failWithSystemText();
  handle_ = h;
  canRead_ = (access & GENERIC_READ) != 0;
  canWrite_ = (access & GENERIC_WRITE) != 0;
  openedRead_ = canRead_;
  openedWrite_ = canWrite_;
  lastError_.clear();
  return true;
}

bool File::open(PathText path, unsigned flags, unsigned attributes) {
  close();
  name_ = path.text();
  const unsigned access = GENERIC_WRITE | ((flags & NoRead) ? 0 : GENERIC_READ);
  const unsigned share = ((flags & ShareRead) ? FILE_SHARE_READ : 0) | ((flags & ShareWrite) ? FILE_SHARE_WRITE : 0);
  const unsigned disposition = (flags & OpenExisting) ? OPEN_EXISTING : OPEN_ALWAYS;
  bool opened = openHandle(access, share, disposition, attributes);
  if (!opened && (flags & RetryOnce)) {
    Sleep(RetryDelayMs);
    opened = openHandle(access, share, disposition, attributes);
  }
  if (opened && (flags & CloseAfterOpen)) close();
  return opened;
}

bool File::openExisting(PathText path, bool read, bool write, bool exclusive) {
  close();
  name_ = path.text();
  const unsigned access = (read ? GENERIC_READ : 0) | (write ? GENERIC_WRITE : 0);
  const unsigned share = exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  return openHandle(access, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
}

bool File::create(PathText path, bool exclusive) {
  close();
  name_ = path.text();
  const unsigned share = exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  return openHandle(GENERIC_READ | GENERIC_WRITE, share, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
}

void File::close() {
  fatalAssert(handle_ != INVALID_HANDLE_VALUE, GfileModule, LineCloseInvalidHandle);
  if (handle_ != nullptr) {
    CloseHandle(handle_);
    handle_ = nullptr;
  }
  positions_.clear();
  canRead_ = canWrite_ = openedRead_ = openedWrite_ = false;
}

bool File::read(void* buffer, int n) {
  // A closed File has no access either; "not open" is the better report.
  if (!isOpen()) return fail(FileNotOpenText);
  if (!canRead_) return fail(ReadAccessDeniedText);
  if (n < 0) return fail(IllegalBlockSizeText);
  if (n == 0) return true;
  DWORD got = 0;
  if (!ReadFile(handle_, buffer, static_cast<DWORD>(n), &got, nullptr)) return failWithSystemText();
  if (got < static_cast<DWORD>(n)) return fail(ReadPastEndText);
  return true;
}

bool File::readBlock(void* buffer, int n) {
  if (n == 0) return true;
  if (n < 0) {
    lastError_.format("Illegal block size %d", n);
    return false;
  }
  if (buffer == nullptr) return fail(NullBlockText);
  return read(buffer, n);
}

bool File::write(const void* buffer, int n) {
  if (n == 0) return true;
  if (n < 0) return fail(IllegalBlockSizeText);
  if (!isOpen()) {
    if (fatalOnUnopenedWrite_) fatalError("Write to unopened File:\n%s", name_);
    return fail(FileNotOpenText);
  }
  if (!canWrite_) return fail(WriteAccessDeniedText);
  if (buffer == nullptr) return fail(NullBlockText);
  DWORD written = 0;
  if (!WriteFile(handle_, buffer, static_cast<DWORD>(n), &written, nullptr)) return failWithSystemText();
  if (written < static_cast<DWORD>(n)) return fail(NotAllWrittenText);
  if (flushEachWrite_) FlushFileBuffers(handle_);
  return true;
}

bool File::readAt(int64_t offset, void* buffer, int n) {
  if (!pushPosition()) return false;
  // A failed seek must not turn into a read at the old position.
  const bool ok = seek(offset) && readBlock(buffer, n);
  popPosition();
  return ok;
}

bool File::readRange(String& out, int64_t offset, int n) {
  out.clear();
  if (offset < 0 || n < 0) return false;
  const int64_t total = size();
  if (total < 0 || offset > total - n) return false;
  out.reset(n);
  if (!readAt(offset, out.buffer(), n)) {
    out.clear();
    return false;
  }
  return true;
}

String File::readCText() {
  String text;
  char c;
  while (read(&c, 1) && c != '\0') text.appendChar(c);
  return text;
}

bool File::moveTo(int64_t distance, unsigned method, int64_t* result) {
  if (!isOpen()) return fail(FileNotOpenText);
  // SetFilePointer with a high part (rather than the Ex form) also exists
  // on the oldest systems the installer runs on.
  LONG high = static_cast<LONG>(distance >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(handle_, static_cast<LONG>(distance & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return failWithSystemText();
  if (result) *result = (static_cast<int64_t>(high) << 32) | low;
  return true;
}

int64_t File::size() {
  if (!isOpen()) return -1;
  int64_t saved = 0;
  int64_t end = -1;
  if (!moveTo(0, FILE_CURRENT, &saved)) return -1;
  if (!moveTo(0, FILE_END, &end)) end = -1;
  moveTo(saved, FILE_BEGIN, nullptr);
  return end;
}

int64_t File::tell() {
  int64_t position = -1;
  return moveTo(0, FILE_CURRENT, &position) ? position : -1;
}

bool File::seek(int64_t offset) { return moveTo(offset, FILE_BEGIN, nullptr); }

bool File::seekFromEnd(int64_t distance) { return moveTo(distance, FILE_END, nullptr); }

bool File::pushPosition() {
  const int64_t position = tell();
  if (position < 0) return false;
  positions_.push(position);
  return true;
}

bool File::pushPositionAndSeek(int64_t offset) { return pushPosition() && seek(offset); }

int64_t File::popPosition() {
  fatalAssert(positions_.count() > 0, GfileModule, LinePopEmptyPosition);
  const int64_t position = positions_.pop();
  seek(position);
  return position;
}

bool File::truncateHere() {
  if (!isOpen()) return fail(FileNotOpenText);
  if (!canWrite_) return fail(WriteAccessDeniedText);
  return SetEndOfFile(handle_) ? true : failWithSystemText();
}

bool File::flush() {
  if (!isOpen()) return fail(FileNotOpenText);
  return FlushFileBuffers(handle_) ? true : failWithSystemText();
}

bool File::getTime(DateTimeStamp& out) {
  if (!isOpen()) return fail(FileNotOpenText);
  FILETIME written, local;
  SYSTEMTIME t;
  if (!GetFileTime(handle_, nullptr, nullptr, &written) || !FileTimeToLocalFileTime(&written, &local) ||
      !FileTimeToSystemTime(&local, &t)) {
    return failWithSystemText();
  }
  out = stampFrom(t);
  return true;
}

bool File::setTime(const DateTimeStamp& in, bool flushFirst) {
  if (!isOpen()) return fail(FileNotOpenText);
  const SYSTEMTIME t = systemTimeFrom(in);
  FILETIME local, written;
  if (!SystemTimeToFileTime(&t, &local) || !LocalFileTimeToFileTime(&local, &written)) {
    return failWithSystemText();
  }
  // Pending writes would otherwise move the time again when they land.
  if (flushFirst) flush();
  return SetFileTime(handle_, nullptr, nullptr, &written) ? true : failWithSystemText();
}
