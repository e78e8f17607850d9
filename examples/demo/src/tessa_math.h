// TessaMath.dll: the arithmetic of Tessa Calc, an ordinary DLL installed
// beside the program that loads it.
#pragma once

#ifdef TESSA_MATH_BUILD
#define TESSA_MATH_API __declspec(dllexport)
#else
#define TESSA_MATH_API __declspec(dllimport)
#endif

// Applies `op` ('+', '-', 'x' or '/') to a and b. Returns 0 for an unknown
// operator or a division by zero, else 1 with the result in *result.
TESSA_MATH_API int TessaMathApply(long a, char op, long b, long* result);
