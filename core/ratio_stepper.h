// Spreads an integer total over a number of steps so that the steps differ by
// at most one and add up exactly to the total (10 over 4 gives 2, 3, 2, 3).
#pragma once

#include <stdint.h>

class RatioStepper {
 public:
  // A zero count is a fatal assertion (Core32 6234). A negative count
  // negates both.
  RatioStepper(int total, int count);

  int next();

 private:
  // 64-bit so that INT_MIN totals and counts cannot overflow.
  bool negative_;
  int64_t denominator_;
  int64_t quotient_;
  int64_t remainder_;
  int64_t accumulator_ = 0;
};
