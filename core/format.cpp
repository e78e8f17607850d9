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
struct Spec {
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
  char conversion = 0;
};

// Widths and precisions beyond the output bound cannot change the result.
constexpr int SpecNumberLimit = FormatLimit + 1;

int parseNumber(const char*& p) {
  int n = 0;
  while (*p >= '0' && *p <= '9') {
    if (n < SpecNumberLimit) n = n * 10 + (*p - '0');
    ++p;
  }
  return n > SpecNumberLimit ? SpecNumberLimit : n;
}

// Parses the conversion after '%'; p ends behind the conversion character
// (or at the terminator). Returns false when the text is no conversion.
bool parseSpec(const char*& p, Spec& spec) {
  for (;; ++p) {
    if (*p == '-') spec.left = true;
    else if (*p == '+') spec.plus = true;
    else if (*p == ' ') spec.space = true;
    else if (*p == '#') spec.alternate = true;
    else if (*p == '0') spec.zero = true;
    else break;
  }
  if (*p == '*') {
    spec.widthStar = true;
    ++p;
  } else {
    spec.width = parseNumber(p);
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') {
      spec.precisionStar = true;
      ++p;
    } else {
      spec.precision = parseNumber(p);
    }
  }
  switch (*p) {
    case 'h':
      ++p;
      spec.lengthBits = 16;
      if (*p == 'h') {
        ++p;
        spec.lengthBits = 8;
      }
      break;
    case 'l':
      ++p;
      spec.lengthBits = static_cast<int>(sizeof(long) * 8);
      spec.wide = true;
      if (*p == 'l') {
        ++p;
        spec.lengthBits = 64;
        spec.wide = false;
      }
      break;
    case 'w':
      ++p;
      spec.wide = true;
      break;
    case 'L':
    case 'q':
    case 'j':
      ++p;
      spec.lengthBits = 64;
      break;
    case 'z':
    case 't':
      ++p;
      spec.lengthBits = static_cast<int>(sizeof(void*) * 8);
      break;
    case 'I':
      ++p;
      if (p[0] == '6' && p[1] == '4') {
        p += 2;
        spec.lengthBits = 64;
      } else if (p[0] == '3' && p[1] == '2') {
        p += 2;
        spec.lengthBits = 32;
      } else {
        spec.lengthBits = static_cast<int>(sizeof(void*) * 8);
      }
      break;
    default:
      break;
  }
  if (*p == '\0') return false;
  spec.conversion = *p++;
  return strchr("diuoxXcsfFeEgGaApn", spec.conversion) != nullptr;
}

bool fits(const Spec& spec, const FormatArg& arg) {
  switch (spec.conversion) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
      return arg.kind == FormatArg::Integer;
    case 'c':
      return arg.kind == FormatArg::Integer && !spec.wide;
    case 's':
      return arg.kind == FormatArg::Text && !spec.wide;
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
void emitPadded(Sink& out, const Spec& spec, const char* body, int length, int prefixLength,
                bool zeroPad) {
  const int padding = spec.width > length ? spec.width - length : 0;
  if (spec.left) {
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

void emitInteger(Sink& out, const Spec& spec, const FormatArg& arg) {
  int bits = spec.lengthBits;
  if (bits == 0) bits = arg.bits < 32 ? 32 : arg.bits;
  const bool isSigned = spec.conversion == 'd' || spec.conversion == 'i';
  uint64_t raw = static_cast<uint64_t>(arg.integer);
  if (bits < 64) raw &= (uint64_t(1) << bits) - 1;
  bool negative = false;
  uint64_t magnitude = raw;
  if (isSigned && bits <= 64 && (raw >> (bits - 1)) & 1) {
    negative = true;
    const uint64_t extended = bits < 64 ? raw | ~((uint64_t(1) << bits) - 1) : raw;
    magnitude = ~extended + 1;
  }

  const unsigned base = spec.conversion == 'o' ? 8 : (spec.conversion == 'x' || spec.conversion == 'X') ? 16 : 10;
  const char* digitsOf = spec.conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  char digits[24];
  int count = 0;
  for (uint64_t v = magnitude; v != 0; v /= base) digits[count++] = digitsOf[v % base];

  // A precision of 0 prints no digits for 0 ("%.0d"); otherwise at least one.
  const int precision = spec.precision >= 0 ? spec.precision : 1;
  int zeros = precision > count ? precision - count : 0;
  if (base == 8 && spec.alternate && zeros == 0 && (count == 0 || digits[count - 1] != '0'))
    zeros = 1;

  char prefix[3];
  int prefixLength = 0;
  if (isSigned) {
    if (negative) prefix[prefixLength++] = '-';
    else if (spec.plus) prefix[prefixLength++] = '+';
    else if (spec.space) prefix[prefixLength++] = ' ';
  } else if (base == 16 && spec.alternate && magnitude != 0) {
    prefix[prefixLength++] = '0';
    prefix[prefixLength++] = spec.conversion;
  }

  const int length = prefixLength + zeros + count;
  const int padding = spec.width > length ? spec.width - length : 0;
  const bool zeroPad = spec.zero && !spec.left && spec.precision < 0;
  if (!spec.left && !zeroPad) out.repeat(' ', padding);
  out.put(prefix, prefixLength);
  if (zeroPad) out.repeat('0', padding);
  out.repeat('0', zeros);
  for (int i = count - 1; i >= 0; --i) out.put(digits[i]);
  if (spec.left) out.repeat(' ', padding);
}

void emitText(Sink& out, const Spec& spec, const char* text) {
  if (text == nullptr) text = "(null)";
  int length = 0;
  while (text[length] != '\0' && (spec.precision < 0 || length < spec.precision) &&
         length <= FormatLimit)
    ++length;
  emitPadded(out, spec, text, length, 0, false);
}

void emitPointer(Sink& out, const Spec& spec, const void* pointer) {
  // Fixed width upper-case hex digits, the same on every platform.
  char body[2 * sizeof(void*)];
  uintptr_t v = reinterpret_cast<uintptr_t>(pointer);
  const int count = static_cast<int>(sizeof body);
  for (int i = count - 1; i >= 0; --i, v >>= 4) body[i] = "0123456789ABCDEF"[v & 15];
  emitPadded(out, spec, body, count, 0, false);
}

void emitReal(Sink& out, const Spec& spec, double value) {
  // Width is applied here, so the buffer only has to hold the number itself:
  // at most 309 integer digits, the point and the precision.
  constexpr int MaxPrecision = 100;
  char format[16];
  int f = 0;
  format[f++] = '%';
  if (spec.plus) format[f++] = '+';
  if (spec.space) format[f++] = ' ';
  if (spec.alternate) format[f++] = '#';
  format[f++] = '.';
  format[f++] = '*';
  format[f++] = spec.conversion;
  format[f] = '\0';
  int precision = spec.precision < 0 ? 6 : spec.precision;
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
  if ((spec.conversion == 'a' || spec.conversion == 'A') && length >= prefixLength + 2 &&
      body[prefixLength] == '0')
    prefixLength += 2;
  const char last = length > 0 ? body[length - 1] : 0;
  const bool finite = last >= '0' && last <= '9';
  emitPadded(out, spec, body, length, prefixLength, spec.zero && !spec.left && finite);
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
    Spec spec;
    const bool valid = parseSpec(p, spec);
    // Every argument the conversion needs must be there and fit; otherwise
    // the conversion is copied as it stands and takes nothing.
    int a = next;
    bool usable = valid;
    if (usable && spec.widthStar) {
      usable = a < count && args[a].kind == FormatArg::Integer;
      if (usable) {
        int64_t w = args[a++].integer;
        if (w < 0) {
          spec.left = true;
          w = -w;
        }
        spec.width = w > SpecNumberLimit ? SpecNumberLimit : static_cast<int>(w);
      }
    }
    if (usable && spec.precisionStar) {
      usable = a < count && args[a].kind == FormatArg::Integer;
      if (usable) {
        const int64_t q = args[a++].integer;
        spec.precision = q < 0 ? -1 : (q > SpecNumberLimit ? SpecNumberLimit : static_cast<int>(q));
      }
    }
    usable = usable && a < count && fits(spec, args[a]);
    if (!usable) {
      sink.put(start, static_cast<int>(p - start));
      continue;
    }
    const FormatArg& arg = args[a];
    next = a + 1;
    switch (spec.conversion) {
      case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
        emitInteger(sink, spec, arg);
        break;
      case 'c': {
        const char c = static_cast<char>(arg.integer);
        emitPadded(sink, spec, &c, 1, 0, false);
        break;
      }
      case 's':
        emitText(sink, spec, arg.text);
        break;
      case 'p':
        emitPointer(sink, spec, arg.kind == FormatArg::Text ? arg.text : arg.pointer);
        break;
      default:
        emitReal(sink, spec, arg.real);
        break;
    }
  }
  return sink.finish();
}
