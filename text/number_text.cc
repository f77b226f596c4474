#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace q836 {

namespace {

constexpr uint64_t kPowers10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

// Most numbers of a drawing are short decimals (coordinates to a few
// places). If r / 10^k, with r an integer below 10^15 and k at most 8, reads
// back as exactly `magnitude`, that decimal lies within half an ulp of it and
// is therefore its 15-digit rounding, found without the general conversion.
// Gives r and the smallest such k; false when the value is no such decimal.
bool ShortDecimal(double magnitude, uint64_t& r, int& k) {
  if (!(magnitude >= 0.0001 && magnitude < 1e15)) return false;
  for (k = 0; k <= 8; ++k) {
    // The nearest integer of the scaled value (it lies below 1e23, and a
    // candidate from 1e15 on is refused); truncating x + 0.5 gives it except
    // at an exact half, where no decimal of this k can match anyway. It is
    // much cheaper than nearbyint on some C runtimes.
    const double scaled = magnitude * kPowers[k];
    if (scaled >= 1e15) return false;
    const double nearest = static_cast<double>(static_cast<int64_t>(scaled + 0.5));
    // A match lies within two ulps of the scaled value (one from the
    // product, one from the quotient's rounding): any farther integer is
    // passed over without the division.
    if (std::fabs(scaled - nearest) > scaled * 0x1p-51) continue;
    if (nearest / kPowers[k] != magnitude) continue;
    r = static_cast<uint64_t>(nearest);
    return true;
  }
  return false;
}

// Writes r / 10^k, k the smallest scale, in the general format.
char* AppendShortDecimal(char* out, uint64_t r, int k) {
  if (k == 0) return std::to_chars(out, out + 16, r).ptr;
  const uint64_t whole = r / kPowers10[k];
  uint64_t fraction = r % kPowers10[k];
  out = std::to_chars(out, out + 16, whole).ptr;
  *out++ = '.';
  for (int d = k - 1; d >= 0; --d) {
    out[d] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  return out + k;
}

template <typename Real>
char* AppendGeneral(char* out, Real value) {
  if (value == 0) {
    *out++ = '0';
    return out;
  }
  if (std::isnan(value)) {
    std::memcpy(out, "NAN", 3);
    return out + 3;
  }
  if (value < 0) *out++ = '-';
  Real magnitude = std::fabs(value);
  if constexpr (std::is_same_v<Real, double>) {
    // Whole numbers below 1e15, the most common of all, as they are.
    if (magnitude < 1e15) {
      const auto whole = static_cast<uint64_t>(magnitude);
      if (static_cast<double>(whole) == magnitude) return std::to_chars(out, out + 16, whole).ptr;
    }
  }
  if (std::isinf(magnitude)) {
    std::memcpy(out, "INF", 3);
    return out + 3;
  }
  // Rounding the largest doubles to 15 digits would give 1.79769313486232E308,
  // beyond the range of a double, and a file that cannot be read back: they
  // are written as the largest 15-digit value that still is a double.
  if (magnitude >= static_cast<Real>(1.797693134862315e308) &&
      magnitude <= static_cast<Real>(std::numeric_limits<double>::max())) {
    std::memcpy(out, "1.79769313486231E308", 20);
    return out + 20;
  }
  // Exact binary value rounded to 15 significant digits, ties to even. When
  // the shortest text that reads back as the value has at most 15 digits, it
  // is that rounding (a normal double lies within half an ulp of it, closer
  // than half a step of the 15-digit grid), and it is much cheaper to find.
  if constexpr (std::is_same_v<Real, double>) {
    uint64_t r = 0;
    int k = 0;
    if (ShortDecimal(magnitude, r, k)) return AppendShortDecimal(out, r, k);
  }
  char digits[24];
  int count = 0;
  int e = 0;  // magnitude = 0.d1d2... x 10^e
  char sci[64];
  char* end = nullptr;
  if constexpr (std::is_same_v<Real, double>) {
    if (magnitude >= std::numeric_limits<double>::min()) {
      end = std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific).ptr;
      const char* mark = static_cast<const char*>(std::memchr(sci, 'e', end - sci));
      if (mark - sci > 16) end = nullptr;  // more than 15 digits: round them below
    }
  }
  if (!end) {
    end = std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific, 14).ptr;
  }
  const char* p = sci;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  int exponent10 = 0;
  const bool negativeExponent = p + 1 < end && p[1] == '-';
  for (const char* q = p + 2; q < end; ++q) exponent10 = exponent10 * 10 + (*q - '0');
  e = (negativeExponent ? -exponent10 : exponent10) + 1;
  while (count > 1 && digits[count - 1] == '0') --count;
  if (e >= -3 && e <= 15) {
    if (e > 0) {
      for (int k = 0; k < e; ++k) *out++ = k < count ? digits[k] : '0';
      if (count > e) {
        *out++ = '.';
        for (int k = e; k < count; ++k) *out++ = digits[k];
      }
    } else {
      *out++ = '0';
      *out++ = '.';
      for (int k = 0; k < -e; ++k) *out++ = '0';
      for (int k = 0; k < count; ++k) *out++ = digits[k];
    }
    return out;
  }
  *out++ = digits[0];
  if (count > 1) {
    *out++ = '.';
    for (int k = 1; k < count; ++k) *out++ = digits[k];
  }
  *out++ = 'E';
  return std::to_chars(out, out + 8, e - 1).ptr;
}

}  // namespace

char* AppendNumberText(char* out, double value) { return AppendGeneral(out, value); }

char* AppendNumberText(char* out, long double value) { return AppendGeneral(out, value); }

std::string NumberToText(double value) {
  char buffer[kMaxNumberText];
  return std::string(buffer, AppendNumberText(buffer, value));
}

}  // namespace q836
