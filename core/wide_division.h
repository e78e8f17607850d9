// 64-bit division from 32-bit operations only.
//
// On i686 the compiler turns every 64-bit `/` and `%` into a call to one of
// the compiler runtime's division routines, about 2 KB together. The
// installer links its own small versions of those routines (see
// ui/runtime_division.cpp), built on these two functions. The installer's few
// 64-bit divisions (sizes, numbers in texts, progress) are not hot, so a
// bit-by-bit loop is fast enough.
#pragma once

#include <stdint.h>

// `dividend / divisor`; stores `dividend % divisor` in `*remainder` unless it
// is null. A zero divisor traps, as the processor's own division does.
uint64_t divideWide(uint64_t dividend, uint64_t divisor, uint64_t* remainder);

// The signed form with C's rules: the quotient is truncated toward zero and
// the remainder has the sign of the dividend. INT64_MIN / -1 gives INT64_MIN
// (the result wraps, as the compiler runtime's does).
int64_t divideWideSigned(int64_t dividend, int64_t divisor, int64_t* remainder);
