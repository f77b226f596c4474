#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace q836 {

namespace {

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
  if (std::isinf(magnitude)) {
    std::memcpy(out, "INF", 3);
    return out + 3;
  }
  // Exact binary value rounded to 15 significant digits, ties to even.
  char sci[64];
  auto result = std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific, 14);
  char digits[15];
  int count = 0;
  const char* p = sci;
  for (; p < result.ptr && *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  int exponent10 = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), result.ptr, exponent10);
  while (count > 1 && digits[count - 1] == '0') --count;
  const int e = exponent10 + 1;  // magnitude = 0.d1d2... x 10^e
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
