#pragma once
// Fixed-point text of a double, byte for byte what the C library's
// printf("%.<decimals>f") writes in the "C" locale: exact decimal value of the
// binary number, rounded half to even at the last decimal, "-" kept on
// negative values that round to zero, and "inf", "-inf", "nan", "-nan" for the
// values that are not finite.

#include <cstddef>

namespace veltrane {

// Most characters formatFixed writes for one value: sign, the 309 integer
// digits of the largest double, the point and kMaxFixedDecimals decimals.
constexpr int kMaxFixedDecimals = 19;
constexpr std::size_t kMaxFixedLength = 1 + 309 + 1 + kMaxFixedDecimals;

// Writes `value` with `decimals` (1 .. kMaxFixedDecimals) digits after the
// point at `out`, which must have room for kMaxFixedLength characters, and
// returns the end of the text (no terminator is written).
char *formatFixed(char *out, double value, int decimals);

}  // namespace veltrane
