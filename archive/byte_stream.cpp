#include "archive/byte_stream.h"

#include <string.h>

int32_t ByteStream::remaining() const {
  return position_ < length() ? length() - position_ : 0;
}

void ByteStream::takeBytes(String& s) {
  data_.swap(s);
  position_ = 0;
}

char* ByteStream::writeArea(int32_t n) {
  if (n < 1 || position_ < 0 || position_ > length()) return nullptr;
  const int64_t end = static_cast<int64_t>(position_) + n;
  if (end > StringSizeLimit) return nullptr;
  if (end > length()) data_.resize(static_cast<int>(end));
  char* area = data_.buffer() + position_;
  position_ = static_cast<int32_t>(end);
  return area;
}

bool ByteStream::appendRun(uint8_t byte, int32_t n) {
  char* area = writeArea(n);
  if (!area) return false;
  memset(area, byte, static_cast<size_t>(n));
  return true;
}

bool ByteStream::appendBytes(const void* p, int32_t n) {
  if (!p) return false;
  char* area = writeArea(n);
  if (!area) return false;
  memmove(area, p, static_cast<size_t>(n));
  return true;
}

bool ByteStream::appendCopy(int32_t start, int32_t n) {
  if (start < 0 || n < 1 || static_cast<int64_t>(start) + n > position_) return false;
  char* area = writeArea(n);  // may move the buffer: take the source after it
  if (!area) return false;
  memmove(area, data_.buffer() + start, static_cast<size_t>(n));
  return true;
}

char* ByteStream::reserve(int32_t n) { return writeArea(n); }

void ByteStream::advance(int32_t n) {
  const int64_t end = static_cast<int64_t>(position_) + n;
  position_ = end < 0 ? 0 : end > INT32_MAX ? INT32_MAX : static_cast<int32_t>(end);
}

bool ByteStream::readBytes(void* destination, int32_t n) {
  if (n == 0) return true;
  if (!destination || n < 0) return false;
  const int32_t available = remaining() < n ? remaining() : n;
  if (available > 0) memcpy(destination, data_.buffer() + position_, static_cast<size_t>(available));
  if (available < n) memset(static_cast<char*>(destination) + available, 0, static_cast<size_t>(n - available));
  advance(n);
  return available == n;
}

bool ByteStream::readInt(int32_t& value) {
  uint8_t bytes[4];
  const bool complete = readBytes(bytes, 4);
  value = static_cast<int32_t>(loadLittleEndian32(bytes));
  return complete;
}

bool ByteStream::readInt(uint32_t& value) {
  int32_t signedValue;
  const bool complete = readInt(signedValue);
  value = static_cast<uint32_t>(signedValue);
  return complete;
}

bool ByteStream::readByte(uint8_t& value) { return readBytes(&value, 1); }

bool ByteStream::readShort(int16_t& value) {
  uint8_t bytes[2];
  const bool complete = readBytes(bytes, 2);
  value = static_cast<int16_t>(loadLittleEndian16(bytes));
  return complete;
}

bool ByteStream::readDateTime(DateTimeStamp& value) {
  int32_t* fields[] = {&value.year, &value.month, &value.day,
                       &value.hour, &value.minute, &value.second};
  bool complete = true;
  for (int32_t* field : fields) complete = readInt(*field) && complete;
  return complete;
}

bool ByteStream::readString(String& text) {
  const int32_t available = remaining();
  if (available == 0) {
    text.clear();
    return false;
  }
  const char* start = data_.buffer() + position_;
  const char* nul = static_cast<const char*>(memchr(start, 0, static_cast<size_t>(available)));
  if (!nul) {
    text.assign(start, available);
    position_ = length();
    return false;
  }
  const int32_t count = static_cast<int32_t>(nul - start);
  text.assign(start, count);
  position_ += count + 1;
  return true;
}

bool ByteStream::readBlock(String& block, int32_t n) {
  if (n < 1) return true;
  const int32_t oldLength = block.length();
  if (static_cast<int64_t>(oldLength) + n > StringSizeLimit || remaining() < n) {
    advance(n);
    return false;
  }
  block.appendBytes(data_.buffer() + position_, n);
  advance(n);
  return true;
}

void ByteStream::skip(int32_t n) { advance(n); }

bool ByteStream::seek(int32_t p) {
  if (p < 0 || p > length()) return false;
  position_ = p;
  return true;
}
