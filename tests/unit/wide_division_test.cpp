// The 64-bit division from 32-bit operations, checked against the host's own
// 64-bit division.
#include <gtest/gtest.h>

#include <stdint.h>

#include <vector>

#include "core/wide_division.h"

namespace {

// Operands of every magnitude: each bit length from 0 to 64, both ends of
// each, and a few patterns that stress the loop's borrow and top bit.
std::vector<uint64_t> operands() {
  std::vector<uint64_t> values = {0, 1, 2, 3, 7, 10, 0xFFFFFFFFu, 0x100000000u, 0x100000001u,
                                  0x8000000000000000u, 0x8000000000000001u, 0xFFFFFFFFFFFFFFFFu,
                                  0xFFFFFFFFFFFFFFFEu, 0x7FFFFFFFFFFFFFFFu, 0xAAAAAAAAAAAAAAAAu,
                                  0x123456789ABCDEF0u};
  uint64_t state = 0x9E3779B97F4A7C15u;
  for (int bits = 1; bits <= 64; ++bits) {
    const uint64_t top = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
    values.push_back(top);
    values.push_back(uint64_t{1} << (bits - 1));
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    values.push_back((state & top) | (uint64_t{1} << (bits - 1)));
  }
  return values;
}

TEST(WideDivision, UnsignedMatchesTheHostForEveryMagnitude) {
  const std::vector<uint64_t> values = operands();
  for (uint64_t a : values) {
    for (uint64_t b : values) {
      if (b == 0) continue;
      uint64_t remainder = 12345;
      const uint64_t quotient = divideWide(a, b, &remainder);
      ASSERT_EQ(quotient, a / b) << a << " / " << b;
      ASSERT_EQ(remainder, a % b) << a << " % " << b;
      ASSERT_EQ(divideWide(a, b, nullptr), a / b);
    }
  }
}

TEST(WideDivision, SignedTruncatesTowardZeroWithTheDividendsSign) {
  const std::vector<uint64_t> values = operands();
  for (uint64_t ua : values) {
    for (uint64_t ub : values) {
      const int64_t a = static_cast<int64_t>(ua);
      const int64_t b = static_cast<int64_t>(ub);
      if (b == 0 || (a == INT64_MIN && b == -1)) continue;
      int64_t remainder = 12345;
      ASSERT_EQ(divideWideSigned(a, b, &remainder), a / b) << a << " / " << b;
      ASSERT_EQ(remainder, a % b) << a << " % " << b;
    }
  }
  int64_t remainder = 1;
  EXPECT_EQ(divideWideSigned(-7, 2, &remainder), -3);
  EXPECT_EQ(remainder, -1);
  EXPECT_EQ(divideWideSigned(7, -2, &remainder), -3);
  EXPECT_EQ(remainder, 1);
}

TEST(WideDivision, TheOneOverflowingQuotientWraps) {
  int64_t remainder = 1;
  EXPECT_EQ(divideWideSigned(INT64_MIN, -1, &remainder), INT64_MIN);
  EXPECT_EQ(remainder, 0);
}

}  // namespace
