#include "text/number_text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace q836 {

namespace {

constexpr uint64_t kPowers10[] = {1,
                                  10,
                                  100,
                                  1000,
                                  10000,
                                  100000,
                                  1000000,
                                  10000000,
                                  100000000,
                                  1000000000,
                                  10000000000,
                                  100000000000,
                                  1000000000000,
                                  10000000000000,
                                  100000000000000,
                                  1000000000000000,
                                  10000000000000000,
                                  100000000000000000,
                                  1000000000000000000};
// Powers of ten that a double holds exactly.
constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                              1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
// 10^(d + 1) for d from -5 to 14: the bound above a magnitude of d digits.
constexpr double kBoundAbove[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,
                                  1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The eight decimal digits of n < 10^8 as bytes 0-9, the most significant
// first in memory (little-endian), found without a branch or a division:
// the halves, quarters and digits are split in lanes of one word.
uint64_t EightDigits(uint32_t n) {
  uint64_t v = n / 10000 | static_cast<uint64_t>(n % 10000) << 32;
  uint64_t high = (v * 10486) >> 20 & 0x0000007F0000007F;  // lane / 100
  v = high | (v - high * 100) << 16;
  high = (v * 103) >> 10 & 0x000F000F000F000F;  // lane / 10
  return high | (v - high * 10) << 8;
}

// The four decimal digits of n < 10^4 in the same way.
uint32_t FourDigits(uint32_t n) {
  const uint32_t v = n / 100 | (n % 100) << 16;
  const uint32_t high = (v * 103) >> 10 & 0x000F000F;  // lane / 10
  return high | (v - high * 10) << 8;
}

constexpr uint64_t kAsciiZeros = 0x3030303030303030;

// Writes n (1 <= n < 10^8) and returns the end; writes 8 bytes. Most
// whole numbers of a drawing have at most four digits.
char* AppendSmallWhole(char* out, uint32_t n) {
  if (n < 10000) {
    const uint32_t digits = FourDigits(n);
    const int leading = std::countr_zero(digits) / 8;  // zero digits before the first
    const uint32_t text = (digits + 0x30303030) >> (8 * leading);
    std::memcpy(out, &text, 4);
    return out + 4 - leading;
  }
  const uint64_t digits = EightDigits(n);
  const int leading = std::countr_zero(digits) / 8;
  const uint64_t text = (digits + kAsciiZeros) >> (8 * leading);
  std::memcpy(out, &text, 8);
  return out + 8 - leading;
}

// Writes n < 10^16, n > 0, as 16 digits with leading zeros but without the
// zeros that end them, and returns the end; writes up to 16 bytes. A short
// fraction needs only the upper eight.
char* AppendSixteenDigits(char* out, uint64_t n) {
  const auto upperPart = static_cast<uint32_t>(n / 100000000);
  const auto lowerPart = static_cast<uint32_t>(n % 100000000);
  const uint64_t upper = EightDigits(upperPart);
  const uint64_t upperText = upper + kAsciiZeros;
  std::memcpy(out, &upperText, 8);
  if (lowerPart == 0) return out + 8 - std::countl_zero(upper) / 8;
  const uint64_t lower = EightDigits(lowerPart);
  const uint64_t lowerText = lower + kAsciiZeros;
  std::memcpy(out + 8, &lowerText, 8);
  return out + 16 - std::countl_zero(lower) / 8;
}

// Most numbers of a drawing are short decimals (coordinates to a few
// places), written in the fixed form (0.0001 <= magnitude < 1e15). Their
// 15-digit rounding r / 10^p (r < 10^15) is found with one product, which
// lies within a fifth of r whenever r / 10^p reads back as `magnitude`;
// and when it does, it lies within half an ulp of the value and is
// therefore its 15-digit rounding. Writes it (up to 31 bytes) and returns
// the end, or null when it does not read back (the general conversion
// decides) or is a whole number. Every digit is written from registers,
// none read back from memory.
char* AppendShortDecimal(char* out, double magnitude) {
  if (!(magnitude >= 0.0001 && magnitude < 1e15)) return nullptr;
  // d = floor(log10(magnitude)), estimated from the binary exponent (one
  // too low at most) and corrected by one comparison.
  const int binary = static_cast<int>(std::bit_cast<uint64_t>(magnitude) >> 52) - 1023;
  int d = (binary * 1233) >> 12;
  d += magnitude >= kBoundAbove[d + 5];
  const int p = 14 - d;
  // The scaled value is positive and below 1e15 + 1: truncating x + 0.5
  // gives the nearest integer but at an exact half, which cannot read back.
  // It is much cheaper than nearbyint on some C runtimes.
  const auto r = static_cast<uint64_t>(magnitude * kPowers[p] + 0.5);
  if (r >= kPowers10[15] || static_cast<double>(r) / kPowers[p] != magnitude) return nullptr;
  if (d < 0) {
    // "0.", the zeros of a small magnitude (up to three), 16 digits of r.
    std::memcpy(out, "0.000", 5);
    return AppendSixteenDigits(out + 1 - d, r * 10);
  }
  // A decimal that reads back lies closer to the value than to any whole
  // number, so the whole part is the value's own.
  const auto whole = static_cast<uint64_t>(magnitude);
  const uint64_t fraction = r - whole * kPowers10[p];
  if (fraction == 0) return nullptr;
  out = whole < kPowers10[8] && whole > 0 ? AppendSmallWhole(out, static_cast<uint32_t>(whole))
                                          : std::to_chars(out, out + 16, whole).ptr;
  *out++ = '.';
  // The p digits of the fraction, as 16 digits.
  return AppendSixteenDigits(out, fraction * kPowers10[16 - p]);
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
  // The sign without a branch: signs of a drawing's numbers are random.
  *out = '-';
  out += value < 0;
  Real magnitude = std::fabs(value);
  if constexpr (std::is_same_v<Real, double>) {
    // Whole numbers below 1e15, the most common of all, as they are.
    if (magnitude < 1e15) {
      const auto whole = static_cast<uint64_t>(magnitude);
      if (static_cast<double>(whole) == magnitude) {
        if (whole < kPowers10[8]) return AppendSmallWhole(out, static_cast<uint32_t>(whole));
        return std::to_chars(out, out + 16, whole).ptr;
      }
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
    if (char* end = AppendShortDecimal(out, magnitude)) return end;
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
