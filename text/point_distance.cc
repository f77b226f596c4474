// The distance of two points, correctly rounded: an extended-precision
// estimate, checked exactly when it lies too close to a rounding boundary.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "text/text_convert.h"

namespace q836 {

namespace {

// Every double times 2^kScale is an integer, and so is the midpoint of two
// neighbouring doubles: exact arithmetic on such integers needs no fractions.
constexpr int kScale = 1076;

// A non-negative integer in 32-bit limbs, least significant first.
using Big = std::vector<uint32_t>;

void Trim(Big& a) {
  while (!a.empty() && a.back() == 0) a.pop_back();
}

// |value| * 2^kScale, for a finite value.
Big Scaled(double value) {
  Big out;
  if (value == 0) return out;
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &exponent);
  const uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  const int shift = exponent - 53 + kScale;  // >= 0 for every double
  out.assign(static_cast<size_t>(shift / 32) + 3, 0);
  const int bit = shift % 32;
  const size_t at = static_cast<size_t>(shift / 32);
  const uint64_t low = mantissa << bit;  // the bits shifted out are the top limb
  out[at] = static_cast<uint32_t>(low);
  out[at + 1] = static_cast<uint32_t>(low >> 32);
  out[at + 2] = bit != 0 ? static_cast<uint32_t>(mantissa >> (64 - bit)) : 0;
  Trim(out);
  return out;
}

int Compare(const Big& a, const Big& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

Big Add(const Big& a, const Big& b) {
  Big out(std::max(a.size(), b.size()) + 1, 0);
  uint64_t carry = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    carry += (i < a.size() ? a[i] : 0) + uint64_t{i < b.size() ? b[i] : 0u};
    out[i] = static_cast<uint32_t>(carry);
    carry >>= 32;
  }
  Trim(out);
  return out;
}

Big Subtract(const Big& a, const Big& b) {  // a >= b
  Big out(a.size(), 0);
  int64_t borrow = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int64_t d = int64_t{a[i]} - (i < b.size() ? b[i] : 0) - borrow;
    borrow = d < 0 ? 1 : 0;
    out[i] = static_cast<uint32_t>(d + (borrow << 32));
  }
  Trim(out);
  return out;
}

Big Square(const Big& a) {
  Big out(a.size() * 2 + 1, 0);
  for (size_t i = 0; i < a.size(); ++i) {
    uint64_t carry = 0;
    for (size_t j = 0; j < a.size(); ++j) {
      carry += uint64_t{a[i]} * a[j] + out[i + j];
      out[i + j] = static_cast<uint32_t>(carry);
      carry >>= 32;
    }
    for (size_t k = i + a.size(); carry != 0; ++k) {
      carry += out[k];
      out[k] = static_cast<uint32_t>(carry);
      carry >>= 32;
    }
  }
  Trim(out);
  return out;
}

// |b - a| * 2^kScale.
Big Difference(double a, double b) {
  const Big sa = Scaled(a), sb = Scaled(b);
  if (std::signbit(a) != std::signbit(b)) return Add(sa, sb);
  return Compare(sa, sb) >= 0 ? Subtract(sa, sb) : Subtract(sb, sa);
}

// Whether the exact distance, whose square times 2^(2 kScale) is `square`,
// lies above the midpoint of `low` and the next double above it (a tie
// counts as above when `low`'s last bit is odd, giving the even neighbour).
bool AboveMidpoint(const Big& square, double low) {
  const double high = std::nextafter(low, INFINITY);
  if (std::isinf(high)) return false;
  const Big twiceMid = Add(Scaled(low), Scaled(high));  // 2 * midpoint * 2^kScale
  // square * 4 against twiceMid^2.
  const int order = Compare(Add(Add(square, square), Add(square, square)), Square(twiceMid));
  if (order != 0) return order > 0;
  int exponent = 0;
  const double fraction = std::frexp(low, &exponent);
  return (static_cast<uint64_t>(std::ldexp(fraction, 53)) & 1) != 0;
}

}  // namespace

long double PointDistanceExtended(double x1, double y1, double x2, double y2) {
  long double dx = static_cast<long double>(x2) - x1;
  long double dy = static_cast<long double>(y2) - y1;
  return std::sqrt(dx * dx + dy * dy);
}

double PointDistance(double x1, double y1, double x2, double y2) {
  const long double estimate = PointDistanceExtended(x1, y1, x2, y2);
  const double rounded = static_cast<double>(estimate);
  if (!std::isfinite(rounded) || !std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) ||
      !std::isfinite(y2)) {
    return rounded;
  }
  // The estimate is within a few units of its own last place of the exact
  // distance; unless it lies that close to a midpoint between two doubles,
  // rounding it gives the correct rounding of the exact distance.
  const double below = std::nextafter(rounded, 0.0);
  const double above = std::nextafter(rounded, INFINITY);
  const long double slack = std::ldexp(estimate, -58) + std::ldexp(1.0L, -16400);
  const long double midBelow = (static_cast<long double>(below) + rounded) / 2;
  const long double midAbove = (static_cast<long double>(above) + rounded) / 2;
  if (rounded > 0 && estimate - midBelow > slack && midAbove - estimate > slack) return rounded;
  if (rounded == 0 && estimate < midAbove - slack) return rounded;
  // Settle it exactly: the correct double is the one whose two midpoints
  // enclose the exact distance.
  const Big dx = Difference(x1, x2), dy = Difference(y1, y2);
  const Big square = Add(Square(dx), Square(dy));
  double candidate = rounded > 0 ? below : rounded;
  while (AboveMidpoint(square, candidate)) candidate = std::nextafter(candidate, INFINITY);
  return candidate;
}

}  // namespace q836
