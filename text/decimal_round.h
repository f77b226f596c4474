// Rounding a double to a fixed number of decimal places by its exact value.
#pragma once

namespace q836 {

/// The exact decimal value of `value` rounded to 8 decimal places, a half
/// going away from zero, as the nearest double. Values without a fraction
/// below 1e-8 (infinities, NaN, integers) come back unchanged.
double RoundToEightDecimals(double value);

}  // namespace q836
