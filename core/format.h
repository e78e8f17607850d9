// Type-checked printf-style formatting.
//
// Format texts may come from the archive, so a format is never trusted: each
// argument's type is captured into a FormatArg and one non-template formatter
// consumes an argument only when its type fits the conversion. A conversion
// without a fitting argument is copied literally, and %n is never honoured.
// For correct formats the result is the one printf gives (flags, width,
// precision, '*', %%), bounded to FormatLimit characters.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <type_traits>

class String;
const char* formatArgText(const String& s);  // s.cStr(), defined with String

// The longest text any formatting routine produces (the scratch area holds
// this many characters and a terminator).
constexpr int FormatLimit = 32767;

// The 64-bit members of an argument need no more than 4-byte alignment: on
// i686 an 8-byte aligned local makes every function that builds an argument
// list realign its stack (about 20 bytes each, in dozens of functions).
typedef int64_t FormatInteger __attribute__((aligned(4)));
typedef double FormatReal __attribute__((aligned(4)));

struct FormatArg {
  enum Kind : unsigned char { Integer, Real, Text, Pointer };

  Kind kind;
  unsigned char bits;  // width of an Integer argument: 8, 16, 32 or 64
  bool isSigned;       // signedness of an Integer argument
  union {
    FormatInteger integer;  // sign- or zero-extended from `bits`
    FormatReal real;
    const char* text;  // may be null
    const void* pointer;
  };

  FormatArg() : kind(Pointer), bits(0), isSigned(false), pointer(nullptr) {}
  FormatArg(const String& s);  // a String formats as its text
  FormatArg(const char* s) : kind(Text), bits(0), isSigned(false), text(s) {}
  FormatArg(char* s) : kind(Text), bits(0), isSigned(false), text(s) {}
  FormatArg(std::nullptr_t) : kind(Pointer), bits(0), isSigned(false), pointer(nullptr) {}

  template <class T>
  FormatArg(const T& value) : bits(0), isSigned(false), integer(0) {
    if constexpr (std::is_same<T, bool>::value) {
      kind = Integer;
      bits = 32;
      isSigned = true;
      integer = value ? 1 : 0;
    } else if constexpr (std::is_integral<T>::value || std::is_enum<T>::value) {
      using U = typename std::conditional<std::is_enum<T>::value, std::underlying_type<T>,
                                          std::common_type<T>>::type::type;
      kind = Integer;
      bits = static_cast<unsigned char>(sizeof(U) * 8);
      isSigned = std::is_signed<U>::value;
      integer = static_cast<int64_t>(static_cast<U>(value));
    } else if constexpr (std::is_floating_point<T>::value) {
      kind = Real;
      real = static_cast<double>(value);
    } else if constexpr (std::is_base_of<String, T>::value) {
      kind = Text;
      text = formatArgText(value);
    } else if constexpr (std::is_pointer<T>::value) {
      kind = Pointer;
      pointer = reinterpret_cast<const void*>(value);
    } else {
      static_assert(std::is_pointer<T>::value, "this type cannot be formatted");
    }
  }
};

// Formats into out (capacity bytes, terminator included; capacity > 0) and
// returns the number of characters written, at most min(capacity - 1,
// FormatLimit). A null format gives the empty text.
int formatArgs(char* out, int capacity, const char* format, const FormatArg* args, int count);
