// The one rule by which every real number is written: 15 significant
// digits, no trailing zeros, "." as decimal point, exponent form outside
// 0.0001 <= |value| < 1E15.
#pragma once

#include <string>

namespace q836 {

/// Longest text NumberToText can produce, in bytes.
inline constexpr int kMaxNumberText = 32;

/// Writes `value` in the general 15-digit format at `out` and returns the end.
/// `out` must have room for kMaxNumberText bytes.
char* AppendNumberText(char* out, double value);

/// The same for an extended-precision value (lengths beyond a double's range).
char* AppendNumberText(char* out, long double value);

/// `value` in the general 15-digit format.
std::string NumberToText(double value);

}  // namespace q836
