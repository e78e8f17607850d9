#include "core/core32.h"

#include <stdlib.h>
#include <string.h>

namespace {

// Every (re)allocation leaves this many spare bytes, and a block is kept
// when a string shrinks by up to ShrinkTolerance bytes, so that appending
// byte by byte rarely reallocates.
constexpr int GrowthSlack = 25;
constexpr int ShrinkTolerance = 512;

// The formatting scratch area of every String formatting routine, made on
// first use. (Not a static array: with -fdata-sections a PE file would carry
// its 32 KB of zeros.)
// (Nor a function-local static: its guard would pull in the C++ run-time's
// exception support.)
char* scratchArea = nullptr;

char* formatScratch() {
  if (scratchArea == nullptr) scratchArea = static_cast<char*>(allocateOrDie(FormatLimit + 1));
  return scratchArea;
}

int textLength(const char* text, int max) {
  int n = 0;
  if (text != nullptr)
    while (n < max && text[n] != '\0') ++n;
  return n;
}

bool inSet(const char* set, char c) {
  for (; *set != '\0'; ++set)
    if (*set == c) return true;
  return false;
}

// Moves the bytes from pos (clamped to 0 .. length) on by n > 0 places and
// returns the n bytes opened before them, for the caller to fill.
char* openGap(String& s, int pos, int n) {
  pos = clampInt(pos, 0, s.length());
  const int old = s.length();
  s.appendSpace(n);
  char* const gap = s.buffer() + pos;
  memmove(gap + n, gap, old - pos);
  return gap;
}

}  // namespace

char StringNoBlock[1] = {'\0'};

const char* formatArgText(const String& s) { return s.cStr(); }

FormatArg::FormatArg(const String& s) : kind(Text), bits(0), isSigned(false), text(s.cStr()) {}

int compareBytes(const char* a, const char* b, int n, bool caseSensitive) {
  for (int i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (!caseSensitive) {
      x = static_cast<unsigned char>(toLower(static_cast<char>(x)));
      y = static_cast<unsigned char>(toLower(static_cast<char>(y)));
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

// Four sums over interleaved words, added at the end: the additions are
// independent, so the processor overlaps them, and the wrap-around sum is
// the same in any order.
uint32_t checksumBytes(const void* data, int count) {
  if (data == nullptr || count <= 0) return ChecksumSeed;
  const unsigned char* p = static_cast<const unsigned char*>(data);
  auto word = [](const unsigned char* at) { return loadLittleEndian32(at); };
  uint32_t sum0 = ChecksumSeed, sum1 = 0, sum2 = 0, sum3 = 0;
  const unsigned char* const blocksEnd = p + (count & ~15);
  for (; p < blocksEnd; p += 16) {
    sum0 += word(p);
    sum1 += word(p + 4);
    sum2 += word(p + 8);
    sum3 += word(p + 12);
  }
  uint32_t sum = sum0 + sum1 + sum2 + sum3;
  for (int i = 0; i < ((count & 15) >> 2); ++i, p += 4) sum += word(p);
  for (int i = 0; i < (count & 3); ++i) sum += uint32_t(int32_t(static_cast<signed char>(p[i])));
  return sum + uint32_t(count);
}

// ---------------------------------------------------------------------------
// Construction and size

String::String(const char* text) { assign(text); }

String::String(int length) { resize(length); }

String::String(const char* bytes, int count) { assign(bytes, count); }

String::String(const String& other) { assign(other.buffer_, other.length_); }

String::String(String&& other) noexcept
    : buffer_(other.buffer_), length_(other.length_), capacity_(other.capacity_) {
  other.buffer_ = StringNoBlock;
  other.length_ = other.capacity_ = 0;
}

String::~String() {
  if (capacity_ != 0) freeBlock(buffer_);
}

String& String::operator=(const String& other) {
  if (this != &other) assign(other.buffer_, other.length_);
  return *this;
}

String& String::operator=(String&& other) noexcept {
  if (this != &other) {
    String moved(static_cast<String&&>(other));
    swap(moved);
  }
  return *this;
}

String& String::operator=(const char* text) {
  assign(text);
  return *this;
}

void String::assign(const String& other) {
  if (this != &other) assign(other.buffer_, other.length_);
}

void String::assign(const char* text) { assign(text, textLength(text, INT_MAX)); }

void String::assign(const char* bytes, int count) {
  if (bytes == nullptr || count <= 0) {
    release();
    return;
  }
  // The source may lie inside this string's own block.
  if (bytes >= buffer_ && bytes < buffer_ + capacity_) {
    memmove(buffer_, bytes, count);
    resize(count);
    return;
  }
  if (count >= capacity_ || count < capacity_ - ShrinkTolerance) {
    release();
    resize(count);
  } else {
    resize(count);
  }
  memcpy(buffer_, bytes, count);
}

void String::assignUpTo(const char* text, int max) { assign(text, textLength(text, max)); }

void String::adopt(char* block, int n) {
  release();
  if (block == nullptr || n < 1) {
    freeBlock(block);
    return;
  }
  fatalAssert(n <= StringSizeLimit, Core32Module, LineResizeLimit);
  buffer_ = static_cast<char*>(reallocateOrDie(block, size_t(n) + 1));
  capacity_ = n + 1;
  length_ = n;
  buffer_[n] = '\0';
}

void String::swap(String& other) noexcept {
  char* b = buffer_;
  buffer_ = other.buffer_;
  other.buffer_ = b;
  int n = length_;
  length_ = other.length_;
  other.length_ = n;
  n = capacity_;
  capacity_ = other.capacity_;
  other.capacity_ = n;
}

bool String::isBlank() const {
  for (int i = 0; i < length_; ++i)
    if (!inSet(WhitespaceSet, buffer_[i])) return false;
  return true;
}

void String::release() {
  if (capacity_ != 0) freeBlock(buffer_);
  buffer_ = StringNoBlock;
  length_ = capacity_ = 0;
}

void String::resize(int n) {
  if (n <= 0) {
    release();
    return;
  }
  if (n == length_ && capacity_ != 0) return;
  if (n >= capacity_ || n < capacity_ - ShrinkTolerance) {
    fatalAssert(n <= StringSizeLimit, Core32Module, LineResizeLimit);
    const int capacity = n + GrowthSlack;
    buffer_ = static_cast<char*>(reallocateOrDie(capacity_ != 0 ? buffer_ : nullptr, size_t(capacity)));
    capacity_ = capacity;
  }
  length_ = n;
  buffer_[n] = '\0';
}

void String::reset(int n) {
  release();
  if (n > 0) resize(n);
}

char* String::appendSpace(int n) {
  fatalAssert(n >= 0, Core32Module, LineAppendSpaceNegative);
  const int old = length_;
  fatalAssert(int64_t(old) + n <= StringSizeLimit, Core32Module, LineResizeLimit);
  if (n > 0) resize(old + n);
  return buffer_ + old;
}

void String::syncLength() {
  if (capacity_ == 0) return;
  // The caller may have filled the whole block without a terminator.
  resize(textLength(buffer_, capacity_ - 1));
}

// ---------------------------------------------------------------------------
// Character access

char String::charAt(int i) const { return (i >= 0 && i < length_) ? buffer_[i] : '\0'; }

bool String::setCharAt(int i, char c) {
  if (i < 0 || i >= length_) return false;
  buffer_[i] = c;
  if (c == '\0') resize(i);
  return true;
}

char* String::at(int i) {
  fatalAssert(i >= 0 && i < length_, Core32Module, LineAtIndex);
  return buffer_ + i;
}

const char* String::at(int i) const { return const_cast<String*>(this)->at(i); }

char String::firstChar() const { return buffer_[0]; }

char String::lastChar() const { return length_ > 0 ? buffer_[length_ - 1] : '\0'; }

char String::popFirstChar() {
  if (length_ <= 0) return '\0';
  const char c = buffer_[0];
  erase(0, 1);
  return c;
}

// ---------------------------------------------------------------------------
// Appending and inserting

void String::append(const String& s, int max) {
  appendBytes(s.buffer_, s.length_ < max ? s.length_ : max);
}

void String::append(const char* text, int max) { appendBytes(text, textLength(text, max)); }

void String::appendBytes(const void* bytes, int count) {
  if (bytes == nullptr || count <= 0) return;
  // The source may lie inside this string's own block, which may move.
  const char* source = static_cast<const char*>(bytes);
  if (source >= buffer_ && source < buffer_ + capacity_) {
    const ptrdiff_t offset = source - buffer_;
    char* destination = appendSpace(count);
    memmove(destination, buffer_ + offset, count);
    return;
  }
  memcpy(appendSpace(count), source, count);
}

void String::appendChar(char c) { *appendSpace(1) = c; }

void String::insertChars(char c, int pos, int n) {
  if (n <= 0) return;
  memset(openGap(*this, pos, n), c, n);
}

void String::insert(const char* text, int pos, int max) {
  const int n = textLength(text, max);
  if (n <= 0) return;
  if (text >= buffer_ && text < buffer_ + capacity_) {
    const String copy(text, n);
    insert(copy, pos, n);
    return;
  }
  memcpy(openGap(*this, pos, n), text, n);
}

void String::insert(const String& s, int pos, int max) {
  const int n = s.length_ < max ? s.length_ : max;
  if (n <= 0) return;
  if (&s == this) {
    const String copy(s);
    insert(copy, pos, n);
    return;
  }
  memcpy(openGap(*this, pos, n), s.buffer_, n);
}

bool String::ensureLastChar(char c) {
  if (length_ > 0 && buffer_[length_ - 1] == c) return false;
  appendChar(c);
  return true;
}

String String::operator+(char c) const {
  String result(*this);
  result.appendChar(c);
  return result;
}

String String::operator+(const char* text) const {
  String result(*this);
  result.append(text);
  return result;
}

String String::operator+(const String& s) const {
  String result(*this);
  result.append(s);
  return result;
}

String operator+(const char* text, const String& s) {
  String result(text);
  result.append(s);
  return result;
}

// ---------------------------------------------------------------------------
// Searching

int String::findChar(char c, int start, bool caseSensitive) const {
  if (start < 0) start = 0;
  const char wanted = caseSensitive ? c : toUpper(c);
  for (int i = start; i < length_; ++i) {
    const char here = caseSensitive ? buffer_[i] : toUpper(buffer_[i]);
    if (here == wanted) return i;
  }
  return -1;
}

int String::findCharReverse(char c, int start) const {
  if (start < 0) start = 0;
  if (start > length_ - 1) start = length_ - 1;
  for (int i = start; i >= 0; --i)
    if (buffer_[i] == c) return i;
  return -1;
}

int String::find(const char* text, int start, bool caseSensitive) const {
  const int n = textLength(text, INT_MAX);
  if (n == 0) return -1;
  if (start < 0) start = 0;
  for (int p = start; p <= length_ - n; ++p)
    if (compareBytes(buffer_ + p, text, n, caseSensitive) == 0) return p;
  return -1;
}

int String::find(const String& text, int start, bool caseSensitive) const {
  return find(text.cStr(), start, caseSensitive);
}

int String::findAnyOf(const char* set, int start) const {
  if (set == nullptr || *set == '\0') return -1;
  if (start < 0) start = 0;
  for (int i = start; i < length_; ++i)
    if (inSet(set, buffer_[i])) return i;
  return -1;
}

int String::findNotOf(const char* set, int start) const {
  if (set == nullptr) return -1;
  if (start < 0) start = 0;
  for (int i = start; i < length_; ++i)
    if (!inSet(set, buffer_[i])) return i;
  return -1;
}

int String::findNumberStart(int start) const {
  if (start < 0) start = 0;
  for (int i = start; i < length_; ++i) {
    const char c = buffer_[i];
    if (isDigit(c) || c == '+' || c == '-' || c == '.') return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Comparing

bool String::operator==(const String& other) const {
  return length_ == other.length_ && memcmp(cStr(), other.cStr(), length_) == 0;
}

bool String::operator==(const char* text) const {
  const int n = textLength(text, INT_MAX);
  return length_ == n && memcmp(cStr(), text ? text : "", n) == 0;
}

int String::compare(const char* text, bool caseSensitive, int max) const {
  const int n = textLength(text, INT_MAX);
  if (n == 0) return length_ > 0 ? 1 : 0;
  if (capacity_ == 0) return -1;
  int count = (n < length_ ? n : length_) + 1;
  if (count > max) count = max;
  if (count <= 0) return -1;
  return compareBytes(buffer_, text, count, caseSensitive);
}

int String::compare(const String& text, bool caseSensitive, int max) const {
  if (capacity_ == 0) return -1;
  int count = (text.length_ < length_ ? text.length_ : length_) + 1;
  if (count > max) count = max;
  if (count <= 0) return -1;
  return compareBytes(buffer_, text.cStr(), count, caseSensitive);
}

// ---------------------------------------------------------------------------
// Removing

bool String::erase(int pos, int count) {
  if (pos >= length_) return false;
  if (pos < 0) {
    // Guard the sum against overflow: count - (-pos).
    count = (count < INT_MIN - pos) ? INT_MIN : count + pos;
    pos = 0;
  }
  if (count <= 0) return false;
  if (count >= length_ - pos) {
    resize(pos);
    return true;
  }
  memmove(buffer_ + pos, buffer_ + pos + count, length_ - pos - count + 1);
  resize(length_ - count);
  return true;
}

bool String::truncateAtChar(char c) {
  const int p = findChar(c);
  if (p < 0) return false;
  resize(p);
  return true;
}

int String::removeChar(char c) {
  int kept = 0;
  for (int i = 0; i < length_; ++i)
    if (buffer_[i] != c) buffer_[kept++] = buffer_[i];
  const int removed = length_ - kept;
  if (removed > 0) resize(kept);
  return removed;
}

int String::removeText(const char* text, int n, bool caseSensitive) {
  const int size = textLength(text, INT_MAX);
  if (size == 0) return 0;
  // The text may lie inside this string.
  const String copy(text, size);
  int removed = 0;
  int p = 0;
  while (removed < n && (p = find(copy.cStr(), p, caseSensitive)) >= 0) {
    erase(p, size);
    ++removed;
  }
  return removed;
}

int String::dropFront(int n) {
  if (n <= 0 || length_ == 0) return 0;
  if (n > length_) n = length_;
  erase(0, n);
  return n;
}

int String::dropBack(int n) {
  if (n <= 0 || length_ == 0) return 0;
  if (n > length_) n = length_;
  resize(length_ - n);
  return n;
}

bool String::dropFirstIf(char c) {
  if (length_ == 0 || buffer_[0] != c) return false;
  erase(0, 1);
  return true;
}

bool String::dropLastIf(char c) {
  if (length_ == 0 || buffer_[length_ - 1] != c) return false;
  resize(length_ - 1);
  return true;
}

bool String::dropFirstIfIn(const char* set) {
  if (set == nullptr || length_ == 0 || !inSet(set, buffer_[0])) return false;
  erase(0, 1);
  return true;
}

bool String::stripPair(char c) {
  if (length_ < 2 || buffer_[0] != c || buffer_[length_ - 1] != c) return false;
  resize(length_ - 1);
  erase(0, 1);
  return true;
}

int String::trimLeftSet(const char* set) {
  if (set == nullptr) return 0;
  int n = 0;
  while (n < length_ && inSet(set, buffer_[n])) ++n;
  if (n > 0) erase(0, n);
  return n;
}

int String::trimRightSet(const char* set) {
  if (set == nullptr) return 0;
  int n = length_;
  while (n > 0 && inSet(set, buffer_[n - 1])) --n;
  const int removed = length_ - n;
  if (removed > 0) resize(n);
  return removed;
}

int String::trimRightChar(char c) {
  int n = length_;
  while (n > 0 && buffer_[n - 1] == c) --n;
  const int removed = length_ - n;
  if (removed > 0) resize(n);
  return removed;
}

// ---------------------------------------------------------------------------
// Pieces

String String::substring(int pos, int count) const {
  if (pos < 0) pos = 0;
  if (pos >= length_ || count <= 0) return String();
  if (count > length_ - pos) count = length_ - pos;
  return String(buffer_ + pos, count);
}

String String::cut(int pos, int count) {
  String piece = substring(pos, count);
  if (pos < 0) pos = 0;
  if (piece.length_ > 0) erase(pos, piece.length_);
  return piece;
}

String String::extractQuoted(char quote, int pos) {
  if (pos < 0 || pos >= length_ || buffer_[pos] != quote) return String();
  int i = pos + 1;
  while (i < length_) {
    if (buffer_[i] == quote) {
      if (i + 1 < length_ && buffer_[i + 1] == quote) {
        erase(i, 1);  // a doubled quote stands for one
        ++i;
        continue;
      }
      String result = substring(pos + 1, i - pos - 1);
      erase(pos, i - pos + 1);
      return result;
    }
    ++i;
  }
  String result = substring(pos + 1, length_ - pos - 1);
  resize(pos);
  return result;
}

String String::nextAtom() {
  trimLeft();
  String atom;
  while (length_ > 0) {
    if (buffer_[0] == '"') {
      atom.append(extractQuoted('"', 0));
    } else {
      const char c = popFirstChar();
      if (isSpace(c)) break;
      atom.appendChar(c);
    }
  }
  return atom;
}

namespace {

// Length of the line end at p (1 or 2), where p holds CR, LF or a zero byte.
int lineEndLength(const char* p, int remaining) {
  if (remaining >= 2 && ((p[0] == '\r' && p[1] == '\n') || (p[0] == '\n' && p[1] == '\r')))
    return 2;
  return 1;
}

}  // namespace

String String::popLine() {
  for (int i = 0; i < length_; ++i) {
    const char c = buffer_[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      String line(buffer_, i);
      erase(0, i + lineEndLength(buffer_ + i, length_ - i));
      return line;
    }
  }
  String line;
  line.swap(*this);
  return line;
}

String String::popLineWithEnd() {
  for (int i = 0; i < length_; ++i) {
    const char c = buffer_[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      const int n = i + lineEndLength(buffer_ + i, length_ - i);
      String line(buffer_, n);
      erase(0, n);
      return line;
    }
  }
  String line;
  line.swap(*this);
  return line;
}

int String::replaceAll(const char* find, const char* replacement, bool caseSensitive) {
  const int findLength = textLength(find, INT_MAX);
  if (findLength == 0 || length_ == 0) return 0;
  // Either text may lie inside this string.
  const String what(find, findLength);
  const String with(replacement);
  const int withLength = with.length_;

  int matches = 0;
  for (int p = this->find(what.cStr(), 0, caseSensitive); p >= 0;
       p = this->find(what.cStr(), p + findLength, caseSensitive))
    ++matches;
  if (matches == 0) return 0;

  if (withLength == findLength) {
    for (int p = this->find(what.cStr(), 0, caseSensitive); p >= 0;
         p = this->find(what.cStr(), p + findLength, caseSensitive))
      memcpy(buffer_ + p, with.cStr(), withLength);
    return matches;
  }

  // Build the result once; positions are searched in the original text.
  const int64_t newLength = int64_t(length_) + int64_t(matches) * (withLength - findLength);
  fatalAssert(newLength <= StringSizeLimit, Core32Module, LineResizeLimit);
  String result;
  result.reset(static_cast<int>(newLength));
  int from = 0;
  int to = 0;
  for (int p = this->find(what.cStr(), 0, caseSensitive); p >= 0;
       p = this->find(what.cStr(), p + findLength, caseSensitive)) {
    memcpy(result.buffer_ + to, buffer_ + from, p - from);
    to += p - from;
    memcpy(result.buffer_ + to, with.cStr(), withLength);
    to += withLength;
    from = p + findLength;
  }
  memcpy(result.buffer_ + to, buffer_ + from, length_ - from);
  to += length_ - from;
  result.resize(to);
  swap(result);
  return matches;
}

// ---------------------------------------------------------------------------
// Formatting and numbers

String& String::formatList(const char* fmt, const FormatArg* args, int count) {
  char* scratch = formatScratch();
  const int n = formatArgs(scratch, FormatLimit + 1, fmt, args, count);
  assign(scratch, n);
  return *this;
}

String& String::appendFormatList(const char* fmt, const FormatArg* args, int count) {
  char* scratch = formatScratch();
  const int n = formatArgs(scratch, FormatLimit + 1, fmt, args, count);
  appendBytes(scratch, n);
  return *this;
}

int String::toInt() const {
  const int start = findNumberStart(0);
  if (start < 0) return 0;
  String number = substring(start);
  number.removeChar(',');
  return parseInt(number.cStr());
}

double String::toReal(int start) const {
  const int p = findNumberStart(start);
  if (p < 0) return 0.0;
  String number = substring(p);
  number.removeChar(',');
  return atof(number.cStr());
}

int String::parseIntAt(int* pos) const {
  if (pos == nullptr || *pos < 0 || *pos >= length_) return INT_MIN;
  int i = *pos;
  bool negative = false;
  if (buffer_[i] == '+' || buffer_[i] == '-') negative = buffer_[i++] == '-';
  uint32_t value = 0;  // wraps like the 32-bit arithmetic it stands for
  while (i < length_ && isDigit(buffer_[i])) value = value * 10 + uint32_t(buffer_[i++] - '0');
  *pos = i;
  return static_cast<int>(negative ? 0u - value : value);
}

void String::makeUpper() {
  for (int i = 0; i < length_; ++i) buffer_[i] = toUpper(buffer_[i]);
}

int parseInt(const char* text) {
  if (text == nullptr) return 0;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  uint32_t value = 0;
  while (isDigit(*text)) value = value * 10 + uint32_t(*text++ - '0');
  return static_cast<int>(negative ? 0u - value : value);
}

String fromInt(int n) { return formatString("%d", n); }

String fromInt64(int64_t n) { return formatString("%lld", n); }

int groupedNumberInto(char* out, uint64_t magnitude, bool negative) {
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  int o = 0;
  if (negative) out[o++] = '-';
  // Separators only when the text has more than 4 characters.
  const bool grouped = count + o > 4;
  for (int i = count - 1; i >= 0; --i) {
    out[o++] = digits[i];
    if (grouped && i > 0 && i % 3 == 0) out[o++] = ',';
  }
  out[o] = '\0';
  return o;
}

String groupedNumber(int64_t n) {
  char text[GroupedNumberSize];
  const int length = groupedNumberInto(text, n < 0 ? 0 - uint64_t(n) : uint64_t(n), n < 0);
  return String(text, length);
}

int roundUp(int a, int b) {
  if (b <= 1) return a;
  const int rest = a % b;
  if (rest == 0) return a;
  // In 64 bits: a near INT_MAX wraps instead of overflowing.
  const int64_t up = rest > 0 ? int64_t(a) + (b - rest) : int64_t(a) - rest;
  return static_cast<int>(static_cast<uint32_t>(up));
}

bool startsWithNoCase(const String& text, const char* prefix) {
  const int n = textLength(prefix, INT_MAX);
  return text.length() >= n && compareBytes(text.cStr(), prefix, n, false) == 0;
}
