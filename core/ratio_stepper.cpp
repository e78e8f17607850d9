#include "core/ratio_stepper.h"

#include "core/core32.h"

RatioStepper::RatioStepper(int total, int count) {
  fatalAssert(count != 0, Core32Module, LineRatioStepperZero);
  int64_t a = total;
  int64_t b = count;
  if (b < 0) {
    a = -a;
    b = -b;
  }
  negative_ = a < 0;
  denominator_ = b;
  quotient_ = a / b;
  remainder_ = negative_ ? -(a % b) : a % b;
}

int RatioStepper::next() {
  accumulator_ += remainder_;
  if (accumulator_ < denominator_) return static_cast<int>(quotient_);
  accumulator_ -= denominator_;
  return static_cast<int>(negative_ ? quotient_ - 1 : quotient_ + 1);
}
