#include "core/format.h"

#include <stdio.h>
#include <string.h>

namespace {

// Bounded output: characters beyond the limit are dropped.
class Sink {
 public:
  Sink(char* out, int capacity)
      : out_(out), limit_(capacity - 1 < FormatLimit ? capacity - 1 : FormatLimit) {}

  void put(char c) {
    if (length_ < limit_) out_[length_++] = c;
  }
  void put(const char* text, int n) {
    for (int i = 0; i < n && length_ < limit_; ++i) out_[length_++] = text[i];
  }
  void repeat(char c, int n) {
    for (int i = 0; i < n && length_ < limit_; ++i) out_[length_++] = c;
  }
  bool full() const { return length_ >= limit_; }
  int finish() {
    out_[length_] = '\0';
    return length_;
  }

 private:
  char* out_;
  int limit_;
  int length_ = 0;
};

// One parsed conversion.
struct Conversion {
  bool left = false;     // '-'
  bool plus = false;     // '+'
  bool space = false;    // ' '
  bool alternate = false;  // '#'
  bool zero = false;     // '0'
  int width = 0;
  int precision = -1;    // -1: none
  bool widthStar = false;
  bool precisionStar = false;
  int lengthBits = 0;    // 0: no length modifier
  bool wide = false;     // 'l' or 'w' on c and s: wide characters, never supplied
  char letter = 0;  // d, i, u, o, x, X, c, s, f, F, e, E, g, G, a, A, p or n
};

// Widths and precisions beyond the output bound cannot change the result.
constexpr int NumberLimit = FormatLimit + 1;

int parseNumber(const char*& p) {
  int n = 0;
  while (*p >= '0' && *p <= '9') {
    if (n < NumberLimit) n = n * 10 + (*p - '0');
    ++p;
  }
  return n > NumberLimit ? NumberLimit : n;
}

// Parses the conversion after '%'; p ends behind the conversion character
// (or at the terminator). Returns false when the text is no conversion.
bool parseConversion(const char*& p, Conversion& conv) {
  for (;; ++p) {
    if (*p == '-') conv.left = true;
    else if (*p == '+') conv.plus = true;
    else if (*p == ' ') conv.space = true;
    else if (*p == '#') conv.alternate = true;
    else if (*p == '0') conv.zero = true;
    else break;
  }
  if (*p == '*') {
    conv.widthStar = true;
    ++p;
  } else {
    conv.width = parseNumber(p);
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') {
      conv.precisionStar = true;
      ++p;
    } else {
      conv.precision = parseNumber(p);
    }
  }
  switch (*p) {
    case 'h':
      ++p;
      conv.lengthBits = 16;
      if (*p == 'h') {
        ++p;
        conv.lengthBits = 8;
      }
      break;
    case 'l':
      ++p;
      conv.lengthBits = static_cast<int>(sizeof(long) * 8);
      conv.wide = true;
      if (*p == 'l') {
        ++p;
        conv.lengthBits = 64;
        conv.wide = false;
      }
      break;
    case 'w':
      ++p;
      conv.wide = true;
      break;
    case 'L':
    case 'q':
    case 'j':
      ++p;
      conv.lengthBits = 64;
      break;
    case 'z':
    case 't':
      ++p;
      conv.lengthBits = static_cast<int>(sizeof(void*) * 8);
      break;
    case 'I':
      ++p;
      if (p[0] == '6' && p[1] == '4') {
        p += 2;
        conv.lengthBits = 64;
      } else if (p[0] == '3' && p[1] == '2') {
        p += 2;
        conv.lengthBits = 32;
      } else {
        conv.lengthBits = static_cast<int>(sizeof(void*) * 8);
      }
      break;
    default:
      break;
  }
  if (*p == '\0') return false;
  conv.letter = *p++;
  return strchr("diuoxXcsfFeEgGaApn", conv.letter) != nullptr;
}

bool fits(const Conversion& conv, const FormatArg& arg) {
  switch (conv.letter) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
      return arg.kind == FormatArg::Integer;
    case 'c':
      return arg.kind == FormatArg::Integer && !conv.wide;
    case 's':
      return arg.kind == FormatArg::Text && !conv.wide;
    case 'p':
      return arg.kind == FormatArg::Pointer || arg.kind == FormatArg::Text;
    case 'n':
      return false;  // never honoured
    default:
      return arg.kind == FormatArg::Real;
  }
}

// Pads `body` (which starts with `prefixLength` characters of sign or radix
// prefix) to the width.
void emitPadded(Sink& out, const Conversion& conv, const char* body, int length, int prefixLength,
                bool zeroPad) {
  const int padding = conv.width > length ? conv.width - length : 0;
  if (conv.left) {
    out.put(body, length);
    out.repeat(' ', padding);
  } else if (zeroPad) {
    out.put(body, prefixLength);
    out.repeat('0', padding);
    out.put(body + prefixLength, length - prefixLength);
  } else {
    out.repeat(' ', padding);
    out.put(body, length);
  }
}

void emitInteger(Sink& out, const Conversion& conv, const FormatArg& arg) {
  int bits = conv.lengthBits;
  if (bits == 0) bits = arg.bits < 32 ? 32 : arg.bits;
  const bool isSigned = conv.letter == 'd' || conv.letter == 'i';
  uint64_t raw = static_cast<uint64_t>(arg.integer);
  if (bits < 64) raw &= (uint64_t(1) << bits) - 1;
  bool negative = false;
  uint64_t magnitude = raw;
  if (isSigned && bits <= 64 && (raw >> (bits - 1)) & 1) {
    negative = true;
    const uint64_t extended = bits < 64 ? raw | ~((uint64_t(1) << bits) - 1) : raw;
    magnitude = ~extended + 1;
  }

  const unsigned base = conv.letter == 'o' ? 8 : (conv.letter == 'x' || conv.letter == 'X') ? 16 : 10;
  const char* digitsOf = conv.letter == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  char digits[24];
  int count = 0;
  for (uint64_t v = magnitude; v != 0; v /= base) digits[count++] = digitsOf[v % base];

  // A precision of 0 prints no digits for 0 ("%.0d"); otherwise at least one.
  const int precision = conv.precision >= 0 ? conv.precision : 1;
  int zeros = precision > count ? precision - count : 0;
  if (base == 8 && conv.alternate && zeros == 0 && (count == 0 || digits[count - 1] != '0'))
    zeros = 1;

  char prefix[3];
  int prefixLength = 0;
  if (isSigned) {
    if (negative) prefix[prefixLength++] = '-';
    else if (conv.plus) prefix[prefixLength++] = '+';
    else if (conv.space) prefix[prefixLength++] = ' ';
  } else if (base == 16 && conv.alternate && magnitude != 0) {
    prefix[prefixLength++] = '0';
    prefix[prefixLength++] = conv.letter;
  }

  const int length = prefixLength + zeros + count;
  const int padding = conv.width > length ? conv.width - length : 0;
  const bool zeroPad = conv.zero && !conv.left && conv.precision < 0;
  if (!conv.left && !zeroPad) out.repeat(' ', padding);
  out.put(prefix, prefixLength);
  if (zeroPad) out.repeat('0', padding);
  out.repeat('0', zeros);
  for (int i = count - 1; i >= 0; --i) out.put(digits[i]);
  if (conv.left) out.repeat(' ', padding);
}

void emitText(Sink& out, const Conversion& conv, const char* text) {
  if (text == nullptr) text = "(null)";
  int length = 0;
  while (text[length] != '\0' && (conv.precision < 0 || length < conv.precision) &&
         length <= FormatLimit)
    ++length;
  emitPadded(out, conv, text, length, 0, false);
}

void emitPointer(Sink& out, const Conversion& conv, const void* pointer) {
  // Fixed width upper-case hex digits, the same on every platform.
  char body[2 * sizeof(void*)];
  uintptr_t v = reinterpret_cast<uintptr_t>(pointer);
  const int count = static_cast<int>(sizeof body);
  for (int i = count - 1; i >= 0; --i, v >>= 4) body[i] = "0123456789ABCDEF"[v & 15];
  emitPadded(out, conv, body, count, 0, false);
}

void emitReal(Sink& out, const Conversion& conv, double value) {
  // Width is applied here, so the buffer only has to hold the number itself:
  // at most 309 integer digits, the point and the precision.
  constexpr int MaxPrecision = 100;
  char format[16];
  int f = 0;
  format[f++] = '%';
  if (conv.plus) format[f++] = '+';
  if (conv.space) format[f++] = ' ';
  if (conv.alternate) format[f++] = '#';
  format[f++] = '.';
  format[f++] = '*';
  format[f++] = conv.letter;
  format[f] = '\0';
  int precision = conv.precision < 0 ? 6 : conv.precision;
  if (precision > MaxPrecision) precision = MaxPrecision;
  char body[512];
#ifdef _WIN32
  // The C library's own formatter: MinGW's C99 snprintf would add about
  // 20 KB to the installer. It does not terminate a full buffer.
  int length = _snprintf(body, sizeof body - 1, format, precision, value);
  if (length < 0 || length >= static_cast<int>(sizeof body)) length = sizeof body - 1;
  body[length] = '\0';
#else
  int length = snprintf(body, sizeof body, format, precision, value);
  if (length < 0) length = 0;
  if (length >= static_cast<int>(sizeof body)) length = sizeof body - 1;
#endif

  int prefixLength = 0;
  if (body[0] == '-' || body[0] == '+' || body[0] == ' ') prefixLength = 1;
  if ((conv.letter == 'a' || conv.letter == 'A') && length >= prefixLength + 2 &&
      body[prefixLength] == '0')
    prefixLength += 2;
  const char last = length > 0 ? body[length - 1] : 0;
  const bool finite = last >= '0' && last <= '9';
  emitPadded(out, conv, body, length, prefixLength, conv.zero && !conv.left && finite);
}

}  // namespace

int formatArgs(char* out, int capacity, const char* format, const FormatArg* args, int count) {
  if (out == nullptr || capacity <= 0) return 0;
  Sink sink(out, capacity);
  if (format == nullptr) return sink.finish();
  int next = 0;  // index of the next unused argument
  const char* p = format;
  while (*p != '\0' && !sink.full()) {
    if (*p != '%') {
      sink.put(*p++);
      continue;
    }
    const char* start = p++;
    if (*p == '%') {
      sink.put('%');
      ++p;
      continue;
    }
    Conversion conv;
    const bool valid = parseConversion(p, conv);
    // Every argument the conversion needs must be there and fit; otherwise
    // the conversion is copied as it stands and takes nothing.
    int a = next;
    bool usable = valid;
    if (usable && conv.widthStar) {
      usable = a < count && args[a].kind == FormatArg::Integer;
      if (usable) {
        int64_t w = args[a++].integer;
        if (w < 0) {
          conv.left = true;
          // Limited before it is negated: the most negative value has no
          // positive counterpart.
          w = w < -NumberLimit ? NumberLimit : -w;
        }
        conv.width = w > NumberLimit ? NumberLimit : static_cast<int>(w);
      }
    }
    if (usable && conv.precisionStar) {
      usable = a < count && args[a].kind == FormatArg::Integer;
      if (usable) {
        const int64_t q = args[a++].integer;
        conv.precision = q < 0 ? -1 : (q > NumberLimit ? NumberLimit : static_cast<int>(q));
      }
    }
    usable = usable && a < count && fits(conv, args[a]);
    if (!usable) {
      sink.put(start, static_cast<int>(p - start));
      continue;
    }
    const FormatArg& arg = args[a];
    next = a + 1;
    switch (conv.letter) {
      case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
        emitInteger(sink, conv, arg);
        break;
      case 'c': {
        const char c = static_cast<char>(arg.integer);
        emitPadded(sink, conv, &c, 1, 0, false);
        break;
      }
      case 's':
        emitText(sink, conv, arg.text);
        break;
      case 'p':
        emitPointer(sink, conv, arg.kind == FormatArg::Text ? arg.text : arg.pointer);
        break;
      default:
        emitReal(sink, conv, arg.real);
        break;
    }
  }
  return sink.finish();
}
