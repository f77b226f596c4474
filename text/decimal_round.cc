#include "text/decimal_round.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace q836 {

namespace {

constexpr uint64_t kFivePow8 = 390625;  // 10^8 = 5^8 * 2^8
constexpr uint64_t kTenPow8 = 100000000;

// An unsigned integer of up to 128 bits as two halves; only what the
// rounding needs, so that the 32-bit build has it too.
struct Wide {
  uint64_t hi, lo;
};

Wide MultiplySmall(uint64_t a, uint64_t b) {  // b < 2^32
  const uint64_t low = (a & 0xFFFFFFFFu) * b, high = (a >> 32) * b;
  const uint64_t lo = low + (high << 32);
  return {(high >> 32) + (lo < low ? 1 : 0), lo};
}

Wide Add(Wide a, Wide b) {
  const uint64_t lo = a.lo + b.lo;
  return {a.hi + b.hi + (lo < a.lo ? 1 : 0), lo};
}

Wide ShiftRight(Wide a, int n) {  // 0 < n < 128
  if (n >= 64) return {0, a.hi >> (n - 64)};
  return {a.hi >> n, (a.lo >> n) | (a.hi << (64 - n))};
}

Wide PowerOfTwo(int n) {  // 0 <= n < 128
  return n >= 64 ? Wide{uint64_t{1} << (n - 64), 0} : Wide{0, uint64_t{1} << n};
}

}  // namespace

double RoundToEightDecimals(double value) {
  if (!std::isfinite(value) || value == 0) return value;
  const double magnitude = std::fabs(value);
  // magnitude = m * 2^-s with an integer m < 2^53.
  int exponent = 0;
  const double fraction = std::frexp(magnitude, &exponent);  // magnitude = fraction * 2^exponent
  const uint64_t m = static_cast<uint64_t>(std::ldexp(fraction, 53));
  const int s = 53 - exponent;
  // At most 8 binary places are at most 8 decimal places: nothing to round.
  if (s <= 8) return value;
  // magnitude * 10^8 = m * 5^8 / 2^t; n = floor(that + 1/2).
  const int t = s - 8;
  const Wide scaled = MultiplySmall(m, kFivePow8);  // below 2^72
  // Below 2^-73 of a unit of 10^-8 the value rounds to 0.
  if (t < 73) {
    const Wide rounded = ShiftRight(Add(scaled, PowerOfTwo(t - 1)), t);
    // Split it into the whole part (below 2^53, as the magnitude is) and 8
    // decimals by long division over 32-bit limbs.
    uint64_t remainder = 0, whole = 0;
    const uint64_t limbs[4] = {rounded.hi >> 32, rounded.hi & 0xFFFFFFFFu, rounded.lo >> 32,
                               rounded.lo & 0xFFFFFFFFu};
    for (int i = 0; i < 4; ++i) {
      const uint64_t current = (remainder << 32) | limbs[i];
      const uint64_t digit = current / kTenPow8;
      remainder = current % kTenPow8;
      whole = (whole << 32) | digit;
    }
    // The decimal text whole.dddddddd, read back with correct rounding.
    char text[40];
    char* end = std::to_chars(text, text + 21, whole).ptr;
    *end++ = '.';
    for (int i = 7; i >= 0; --i) {
      end[i] = static_cast<char>('0' + remainder % 10);
      remainder /= 10;
    }
    end += 8;
    double result = 0;
    std::from_chars(text, end, result);
    return value < 0 ? -result : result;
  }
  return value < 0 ? -0.0 : 0.0;
}

}  // namespace q836
