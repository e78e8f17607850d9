// The compiler runtime's 64-bit division routines, for the i686 installer.
//
// The compiler calls these for every 64-bit `/` and `%` on i686. Defined in
// the program itself, they keep the runtime's own versions (about 2 KB with
// their unwind tables) out of the installer. This file is compiled without
// link-time optimisation: the calls only appear when the optimised code is
// generated, after that optimisation would already have dropped or hidden
// definitions nobody seemed to call.
#include "core/wide_division.h"

#if defined(__i386__)

namespace {

uint64_t divide(uint64_t a, uint64_t b, uint64_t* remainder) { return divideWide(a, b, remainder); }
int64_t divide(int64_t a, int64_t b, int64_t* remainder) { return divideWideSigned(a, b, remainder); }

template <class T>
T remainderOf(T a, T b) {
  T remainder;
  divide(a, b, &remainder);
  return remainder;
}

}  // namespace

extern "C" {

uint64_t __udivmoddi4(uint64_t a, uint64_t b, uint64_t* remainder) { return divide(a, b, remainder); }
int64_t __divmoddi4(int64_t a, int64_t b, int64_t* remainder) { return divide(a, b, remainder); }
uint64_t __udivdi3(uint64_t a, uint64_t b) { return divide(a, b, nullptr); }
int64_t __divdi3(int64_t a, int64_t b) { return divide(a, b, nullptr); }
uint64_t __umoddi3(uint64_t a, uint64_t b) { return remainderOf(a, b); }
int64_t __moddi3(int64_t a, int64_t b) { return remainderOf(a, b); }

}  // extern "C"

#endif
