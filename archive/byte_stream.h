// ByteStream: a String used as a byte container plus a signed 32-bit
// position. The unpacker writes into one; the header and the payload of a
// package are read from one.
//
// Writes put their bytes at the position and advance it; when the position
// passes the length, the length follows. Reads never stop at the end of the
// data by themselves: what lies beyond reads as zero or empty and the read
// reports false, so a caller can read a whole record and check once.
//
// No operation grows the stream beyond StringSizeLimit: such a write does
// nothing and returns false (or null) instead of ending the program.
#pragma once

#include <stdint.h>

#include "archive/format.h"
#include "core/core32.h"

class ByteStream {
 public:
  ByteStream() = default;
  // A stream over a copy of bytes, positioned at 0.
  explicit ByteStream(const String& bytes) : data_(bytes) {}

  const String& bytes() const { return data_; }
  String& bytes() { return data_; }
  int32_t length() const { return data_.length(); }
  int32_t position() const { return position_; }
  // Bytes from the position to the end; 0 when the position is past it.
  int32_t remaining() const;
  // Exchanges the content with s and sets the position to 0.
  void takeBytes(String& s);

  // --- Writing: each returns whether it did anything. ---

  // n copies of byte; nothing for n < 1.
  bool appendRun(uint8_t byte, int32_t n);
  // n bytes from p; nothing for n < 1 or a null pointer.
  bool appendBytes(const void* p, int32_t n);
  // The n bytes at start .. start + n - 1 of the stream itself; nothing when
  // start < 0, n < 1, start + n passes the position, or the position lies
  // outside 0 .. length.
  bool appendCopy(int32_t start, int32_t n);
  // Advances the position by n, grows the length to it and returns the n
  // bytes just passed for the caller to fill; null (and nothing done) for
  // n < 1 or a position outside 0 .. length.
  char* reserve(int32_t n);

  // --- Reading: each advances the position by the size read. ---

  // n raw bytes; bytes beyond the end read as zero and give false, the
  // position still advancing by n. n = 0 gives true; a null destination or
  // n < 0 gives false and reads nothing.
  bool readBytes(void* destination, int32_t n);
  bool readInt(int32_t& value);   // 4 bytes, little-endian
  bool readInt(uint32_t& value);  // the same, unsigned
  bool readByte(uint8_t& value);
  bool readShort(int16_t& value);  // 2 bytes, little-endian
  bool readDateTime(DateTimeStamp& value);
  // Bytes up to the next NUL, which is passed over. At or past the end: an
  // empty text and false. No NUL before the end: the bytes up to the end,
  // false, the position at the end.
  bool readString(String& text);
  // Appends n bytes to block; on a short read the appended bytes are removed
  // again and the result is false. n < 1 reads nothing and gives true.
  bool readBlock(String& block, int32_t n);
  // Moves the position by n, staying within 0 .. INT32_MAX.
  void skip(int32_t n);
  // Position p, valid from 0 to the length; otherwise false and unchanged.
  bool seek(int32_t p);

 private:
  // Makes room for n bytes at the position; null when the stream would
  // pass StringSizeLimit or the position lies outside 0 .. length.
  char* writeArea(int32_t n);
  void advance(int32_t n);

  String data_;
  int32_t position_ = 0;
};
