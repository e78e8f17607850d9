#include "core/wide_division.h"

uint64_t divideWide(uint64_t dividend, uint64_t divisor, uint64_t* remainder) {
  if (divisor == 0) __builtin_trap();
  uint64_t quotient;
  uint64_t rest;
  if (((dividend | divisor) >> 32) == 0) {
    // The usual case: one 32-bit division.
    quotient = static_cast<uint32_t>(dividend) / static_cast<uint32_t>(divisor);
    rest = static_cast<uint32_t>(dividend) % static_cast<uint32_t>(divisor);
  } else {
    // Restoring division: the dividend's bits move into `rest` from the top
    // while the quotient's bits move into the dividend from the bottom. The
    // bit shifted out of `rest` counts: with it `rest` exceeds any divisor.
    quotient = dividend;
    rest = 0;
    for (int i = 0; i < 64; ++i) {
      const bool overflow = (rest >> 63) != 0;
      rest = (rest << 1) | (quotient >> 63);
      quotient <<= 1;
      if (overflow || rest >= divisor) {
        rest -= divisor;
        quotient |= 1;
      }
    }
  }
  if (remainder != nullptr) *remainder = rest;
  return quotient;
}

int64_t divideWideSigned(int64_t dividend, int64_t divisor, int64_t* remainder) {
  const bool negativeDividend = dividend < 0;
  const bool negativeQuotient = negativeDividend != (divisor < 0);
  // Magnitudes in unsigned arithmetic: 0 - INT64_MIN is 2^63 there.
  const uint64_t a = negativeDividend ? 0 - static_cast<uint64_t>(dividend) : static_cast<uint64_t>(dividend);
  const uint64_t b = divisor < 0 ? 0 - static_cast<uint64_t>(divisor) : static_cast<uint64_t>(divisor);
  uint64_t rest;
  const uint64_t quotient = divideWide(a, b, &rest);
  if (remainder != nullptr) {
    *remainder = static_cast<int64_t>(negativeDividend ? 0 - rest : rest);
  }
  return static_cast<int64_t>(negativeQuotient ? 0 - quotient : quotient);
}
