// String, the one text and byte-buffer type, and the small free functions on
// characters and numbers that go with it.
//
// A String is a growable byte buffer with value semantics. It may hold zero
// bytes; length-based operations work on them, while operations that take a
// `const char*` read it as a NUL-terminated text. The buffer is always
// terminated, and cStr() never returns null. Positions are 0-based and -1
// means "not found". Bad positions and counts are absorbed (clamped, or the
// result is -1, 0 or false) except where a fatal assertion is documented.
#pragma once

#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "core/fatal.h"
#include "core/format.h"

// Module name used in the assertion reports of the core library.
inline constexpr char Core32Module[] = "Core32";

// Assertion lines of the core library.
enum Core32Line : int {
  LineAtIndex = 603,
  LineResizeLimit = 663,
  LineAppendSpaceNegative = 2646,
  LineRatioStepperZero = 6234,
};

// The whitespace of trimming and of the blank test.
inline constexpr char WhitespaceSet[] = " \r\n\t";

// The largest length a String may be resized to.
constexpr int StringSizeLimit = 0x40000000;

// ASCII only, no locale.
inline bool isDigit(int c) { return c >= '0' && c <= '9'; }
inline bool isLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool isSpace(int c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }
inline char toUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
inline char toLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares n bytes; case-insensitively, 'A' to 'Z' fold onto 'a' to 'z'.
// Bytes compare as unsigned. Returns <0, 0 or >0.
int compareBytes(const char* a, const char* b, int n, bool caseSensitive);

// The additive checksum: seed 0x79E2BC9D, plus each little-endian 32-bit
// word, plus each tail byte as a signed byte, plus the count. A null pointer
// or a count <= 0 gives the seed alone.
constexpr uint32_t ChecksumSeed = 0x79E2BC9Du;
uint32_t checksumBytes(const void* data, int count);

// Little-endian words at `at`, which need not be aligned: the one place
// the package, bitmap and resource formats are read and written by.
inline uint32_t loadLittleEndian32(const void* at) {
  uint32_t word;
  memcpy(&word, at, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap32(word);
#endif
  return word;
}
inline uint16_t loadLittleEndian16(const void* at) {
  uint16_t word;
  memcpy(&word, at, 2);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap16(word);
#endif
  return word;
}
inline void storeLittleEndian32(void* at, uint32_t word) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap32(word);
#endif
  memcpy(at, &word, 4);
}
inline void storeLittleEndian16(void* at, uint16_t word) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap16(word);
#endif
  memcpy(at, &word, 2);
}

// The terminator that every String without a block of its own points at, so
// that cStr() is a plain load (it is called in several hundred places).
extern char StringNoBlock[1];

class String {
 public:
  String() = default;
  String(const char* text);  // null or "" gives an empty string without buffer
  explicit String(int length);  // `resize`d to length; contents undefined
  String(const char* bytes, int count);  // count bytes, zero bytes included
  String(const String& other);
  String(String&& other) noexcept;
  ~String();

  String& operator=(const String& other);
  String& operator=(String&& other) noexcept;
  String& operator=(const char* text);

  void assign(const String& other);
  void assign(const char* text);
  // count bytes from bytes; a null pointer or count <= 0 empties the string.
  void assign(const char* bytes, int count);
  // The text up to its first zero byte or max bytes, whichever comes first.
  void assignUpTo(const char* text, int max);
  // Takes ownership of a block from allocateOrDie holding n bytes; the block
  // is grown by one byte for the terminator. A null block or n < 1 leaves the
  // string empty (and frees the block).
  void adopt(char* block, int n);
  void swap(String& other) noexcept;

  int length() const { return length_; }
  int capacity() const { return capacity_; }
  const char* cStr() const { return buffer_; }  // never null
  bool isEmpty() const { return length_ == 0; }
  bool isBlank() const;  // every byte in WhitespaceSet; "" is blank
  bool isEmptyOrBlank() const { return isBlank(); }

  // Buffer access for Win32 calls: reset(n), write into buffer(), then
  // syncLength() for a NUL-terminated result. Null when there is no buffer.
  char* buffer() { return capacity_ != 0 ? buffer_ : nullptr; }
  const char* buffer() const { return capacity_ != 0 ? buffer_ : nullptr; }

  void resize(int n);  // fatal above StringSizeLimit
  void reset(int n = 0);  // release, then resize(n) when n > 0
  char* appendSpace(int n);  // fatal for n < 0
  void syncLength();
  void clear() { resize(0); }

  char charAt(int i) const;
  bool setCharAt(int i, char c);  // storing 0 cuts the text at i
  char* at(int i);  // fatal outside 0 .. length-1
  const char* at(int i) const;
  char firstChar() const;
  char lastChar() const;
  char popFirstChar();

  void append(const String& s, int max = INT_MAX);
  void append(const char* text, int max = INT_MAX);
  void appendBytes(const void* bytes, int count);  // raw bytes, zeros included
  void appendChar(char c);
  void insertChars(char c, int pos, int n);
  void insert(const char* text, int pos, int max = INT_MAX);
  void insert(const String& s, int pos, int max = INT_MAX);
  bool ensureLastChar(char c);

  String& operator+=(const String& s) { append(s); return *this; }
  String& operator+=(const char* text) { append(text); return *this; }
  String& operator+=(char c) { appendChar(c); return *this; }
  String operator+(char c) const;
  String operator+(const char* text) const;
  String operator+(const String& s) const;
  friend String operator+(const char* text, const String& s);

  int findChar(char c, int start = 0, bool caseSensitive = true) const;
  // The last c at or before start; a negative start counts as 0.
  int findCharReverse(char c, int start = INT_MAX) const;
  int find(const char* text, int start = 0, bool caseSensitive = true) const;
  int find(const String& text, int start = 0, bool caseSensitive = true) const;
  int findAnyOf(const char* set, int start = 0) const;
  int findNotOf(const char* set, int start = 0) const;
  int findNumberStart(int start = 0) const;

  bool operator==(const String& other) const;
  bool operator!=(const String& other) const { return !(*this == other); }
  bool operator==(const char* text) const;  // byte-exact, as against String(text)
  bool operator!=(const char* text) const { return !(*this == text); }
  int compare(const char* text, bool caseSensitive = true, int max = INT_MAX) const;
  int compare(const String& text, bool caseSensitive = true, int max = INT_MAX) const;

  bool erase(int pos, int count);
  bool truncateAtChar(char c);
  int removeChar(char c);
  int removeText(const char* text, int n = INT_MAX, bool caseSensitive = true);
  int dropFront(int n);
  int dropBack(int n);
  bool dropFirstIf(char c);
  bool dropLastIf(char c);
  bool dropFirstIfIn(const char* set);
  bool stripPair(char c);
  int trimLeft() { return trimLeftSet(WhitespaceSet); }
  int trimRight() { return trimRightSet(WhitespaceSet); }
  int trim() { return trimRight() + trimLeft(); }
  int trimLeftSet(const char* set);
  int trimRightSet(const char* set);
  int trimRightChar(char c);

  String substring(int pos, int count = INT_MAX) const;
  String cut(int pos, int count = INT_MAX);
  String extractQuoted(char quote, int pos = 0);
  String nextAtom();
  String popLine();
  String popLineWithEnd();
  int replaceAll(const char* find, const char* replacement, bool caseSensitive = true);

  // printf-style, type-checked (see core/format.h); at most FormatLimit
  // characters. The List variants take a captured argument list.
  template <class... A>
  String& format(const char* fmt, const A&... args) {
    const FormatArg list[] = {FormatArg(args)..., FormatArg()};
    return formatList(fmt, list, static_cast<int>(sizeof...(A)));
  }
  template <class... A>
  String& appendFormat(const char* fmt, const A&... args) {
    const FormatArg list[] = {FormatArg(args)..., FormatArg()};
    return appendFormatList(fmt, list, static_cast<int>(sizeof...(A)));
  }
  String& formatList(const char* fmt, const FormatArg* args, int count);
  String& appendFormatList(const char* fmt, const FormatArg* args, int count);

  int toInt() const;
  double toReal(int start = 0) const;
  int parseIntAt(int* pos) const;  // INT_MIN, *pos untouched, outside the string
  uint32_t checksum() const { return checksumBytes(buffer_, length_); }
  void makeUpper();

 private:
  void release();
  void growTo(int n);  // resize(n) keeping contents; n > length_

  char* buffer_ = StringNoBlock;  // a block of capacity_ bytes, or StringNoBlock
  int length_ = 0;
  int capacity_ = 0;
};

// Optional sign, then digits up to the first non-digit; null gives 0.
int parseInt(const char* text);
String fromInt(int n);
String fromInt64(int64_t n);
// Decimal digits with ',' every three from the right when there are more
// than four: 1234 stays, 12345 gives 12,345.
String groupedNumber(int64_t n);
// The same for a magnitude and sign into out (GroupedNumberSize bytes),
// without allocating; returns the length.
constexpr int GroupedNumberSize = 32;
int groupedNumberInto(char* out, uint64_t magnitude, bool negative = false);
// a rounded up to the next multiple of b when b > 1; otherwise a.
int roundUp(int a, int b);
// v moved into lo .. hi; lo <= hi.
inline int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Whether text begins with prefix, 'A' to 'Z' matching 'a' to 'z'; a null
// prefix is the empty one.
bool startsWithNoCase(const String& text, const char* prefix);

template <class... A>
String formatString(const char* fmt, const A&... args) {
  String s;
  s.format(fmt, args...);
  return s;
}
