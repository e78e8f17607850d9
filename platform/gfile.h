// File: a Win32 file handle that reports failures as a bool and keeps the
// text of the last one, and DateTimeStamp, the local file time.
//
// Positions and sizes are 64-bit so that files beyond 2 GB are measured and
// read correctly; the archive's own offsets are 32-bit and fit.
#pragma once

#include <stdint.h>

#include "core/containers.h"
#include "core/core32.h"
#include "core/date_time_stamp.h"
#include "core/path.h"

// Flags of File::open.
enum FileOpenFlags : unsigned {
  OpenExisting = 0x1,      // fail when the file is missing (else it is created)
  NoRead = 0x8,            // open without read access
  RetryOnce = 0x40,        // on failure wait RetryDelayMs and try once more
  ShareRead = 0x400,       // let others read meanwhile
  ShareWrite = 0x800,      // let others write meanwhile
  CloseAfterOpen = 0x2000  // close again at once: the open is only a probe
};

// The probe of isWritable.
constexpr unsigned WritableProbeFlags = OpenExisting | NoRead | RetryOnce | ShareRead | ShareWrite | CloseAfterOpen;
static_assert(WritableProbeFlags == 11337, "the writable probe has a fixed flag value");

constexpr int RetryDelayMs = 500;

// Module name and lines of the File class's assertion reports.
inline constexpr char GfileModule[] = "gfile";
constexpr int LineCloseInvalidHandle = 610;
constexpr int LinePopEmptyPosition = 839;

// The texts File records in lastError.
inline constexpr char FileNotOpenText[] = "File not open";
inline constexpr char ReadAccessDeniedText[] = "Read access denied";
inline constexpr char ReadPastEndText[] = "Read past end of file";
inline constexpr char WriteAccessDeniedText[] = "Write access denied";
inline constexpr char IllegalBlockSizeText[] = "Illegal block size";
inline constexpr char NotAllWrittenText[] = "Not all data could be written";
inline constexpr char NullBlockText[] = "NULL block pointer";

TESSA_TYPE_NAME(long long, "__int64");

class File {
 public:
  File() = default;
  ~File() { close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Closes any open file, records path as the name, and opens it with the
  // FileOpenFlags in flags. Write access is always asked for; read access
  // unless NoRead. attributes go to the system unchanged (0 = normal).
  bool open(PathText path, unsigned flags, unsigned attributes = 0);
  // An existing file with the requested access; exclusive means no sharing,
  // else others may read and write. On failure the File stays closed.
  bool openExisting(PathText path, bool read, bool write, bool exclusive);
  // Creates or truncates path with read and write access.
  bool create(PathText path, bool exclusive);
  // Closes the handle and clears the saved positions and access flags.
  void close();

  bool isOpen() const { return handle_ != nullptr; }
  const String& name() const { return name_; }
  const String& lastError() const { return lastError_; }
  bool canRead() const { return canRead_; }
  bool canWrite() const { return canWrite_; }

  // Writing to a closed File is fatal unless this is cleared.
  void setFatalOnUnopenedWrite(bool on) { fatalOnUnopenedWrite_ = on; }
  // Flush the system's buffers after every successful write.
  void setFlushEachWrite(bool on) { flushEachWrite_ = on; }

  // Reads exactly n bytes; false with lastError when it cannot.
  bool read(void* buffer, int n);
  // read with checks: n of 0 succeeds without touching buffer; a negative n
  // or a null buffer fails with lastError.
  bool readBlock(void* buffer, int n);
  // Writes n bytes; n of 0 succeeds. Fatal on a closed File while
  // fatalOnUnopenedWrite is set.
  bool write(const void* buffer, int n);
  bool write(const String& bytes) { return write(bytes.cStr(), bytes.length()); }
  // readBlock at offset; the position is left where it was.
  bool readAt(int64_t offset, void* buffer, int n);
  // out becomes the n bytes at offset; false (out empty) when they are not
  // all inside the file or cannot be read.
  bool readRange(String& out, int64_t offset, int n);
  // Bytes up to a zero byte (consumed, not returned) or the end of the file.
  String readCText();

  int64_t size();  // -1 when closed; the position is kept
  int64_t tell();  // -1 when closed
  bool seek(int64_t offset);
  bool seekFromEnd(int64_t distance);  // -4 reaches the last four bytes

  // The stack of saved positions. popPosition seeks back to the popped
  // position and returns it; popping an empty stack is fatal.
  bool pushPosition();
  bool pushPositionAndSeek(int64_t offset);
  int64_t popPosition();

  bool truncateHere();  // cut the file at the position; needs write access
  bool flush();
  // The last-write time in local time.
  bool getTime(DateTimeStamp& out);
  // Sets the last-write time from a local time, after a flush unless
  // flushFirst is false (see WriteFileWithRetries for when that is safe).
  bool setTime(const DateTimeStamp& in, bool flushFirst = true);

 private:
  bool openHandle(unsigned access, unsigned share, unsigned disposition, unsigned attributes);
  bool fail(const char* text);  // records text, returns false
  bool failWithSystemText();
  bool moveTo(int64_t distance, unsigned method, int64_t* result);

  void* handle_ = nullptr;  // never the invalid-handle value
  String name_;
  Stack<long long> positions_;
  bool fatalOnUnopenedWrite_ = true;
  bool flushEachWrite_ = false;
  bool canRead_ = false;
  bool canWrite_ = false;
  bool openedRead_ = false;
  bool openedWrite_ = false;
  String lastError_;
};
