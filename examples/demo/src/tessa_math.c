#define TESSA_MATH_BUILD
#include "tessa_math.h"

int TessaMathApply(long a, char op, long b, long* result) {
  switch (op) {
    case '+': *result = a + b; return 1;
    case '-': *result = a - b; return 1;
    case 'x': *result = a * b; return 1;
    case '/':
      if (b == 0) return 0;
      *result = a / b;
      return 1;
    default: return 0;
  }
}
