#include "text/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "text/text_convert.h"

namespace q836 {
namespace {

TEST(NumberToText, WritesFifteenSignificantDigits) {
  struct Case {
    double value;
    const char* expected;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {0.1, "0.1"},
      {1.0, "1"},
      {1189.0, "1189"},
      {-3.0, "-3"},
      {100000000.0, "100000000"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {0.0000015, "1.5E-6"},
      {1e15, "1E15"},
      {999999999999999.0, "999999999999999"},
      {123456789012345.0, "123456789012345"},
      {-2.5, "-2.5"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.5e20, "2.5E20"},
      {2e-8, "2E-8"},
      {0.000005, "5E-6"},
      {1000000000000005.0, "1E15"},  // exact tie rounds to even
      // No file yields them; a value computed on the way is written as
      // these words, never as digits.
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {1000000000000015.0, "1.00000000000002E15"},
      {0.00012345, "0.00012345"},
      {12.5, "12.5"},
      {-1e-300, "-1E-300"},
      {std::numeric_limits<double>::max(), "1.79769313486231E308"},  // readable again
      {-1.797693134862315e308, "-1.79769313486231E308"},
      {1.797693134862314e308, "1.79769313486231E308"},
      {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
      {9.9999999999999999e14, "1E15"},
      {0.000099999999999999999, "0.0001"},
      {1.41421356, "1.41421356"},
      // Short decimals of every length, written digit by digit.
      {-502.8, "-502.8"},
      {0.04132, "0.04132"},
      {4254.0, "4254"},
      {12345678.0, "12345678"},
      {123456789.5, "123456789.5"},
      {0.000123456789012345, "0.000123456789012345"},
      {12345678901234.5, "12345678901234.5"},
      {0.5, "0.5"},
      {9.5, "9.5"},
      {10000.25, "10000.25"},
      {1.000000000000001, "1"},
      {2.9999999999999996, "3"},
      {0.00999999999999999, "0.00999999999999999"},
  };
  for (const Case& c : cases) EXPECT_EQ(NumberToText(c.value), c.expected) << c.value;
}

TEST(NumberToText, EveryWrittenDoubleReadsBack) {
  for (double value : {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                       1.7976931348623155e308, std::numeric_limits<double>::denorm_min()}) {
    EXPECT_NO_THROW(TextToFloat(NumberToText(value))) << value;
  }
}

TEST(NumberToText, ExtendedValuesBeyondADouble) {
  char buffer[kMaxNumberText];
  long double big = 2e308L;
  EXPECT_EQ(std::string(buffer, AppendNumberText(buffer, big)), "2E308");
}

TEST(NumberToText, ReadsBackEveryFifteenDigitValue) {
  std::mt19937_64 random(836);
  std::uniform_int_distribution<int64_t> mantissa(1, 999999999999999);
  std::uniform_int_distribution<int> exponent(-340, 293);
  for (int i = 0; i < 20000; ++i) {
    const std::string decimal =
        std::to_string(mantissa(random)) + "e" + std::to_string(exponent(random));
    const double value = TextToFloat(decimal);
    EXPECT_EQ(TextToFloat(NumberToText(value)), value) << decimal;
  }
}

// The 15-digit rule computed the slow way, from the exactly rounded digits
// that printf gives, for comparison with the fast path.
std::string Reference(double value) {
  if (value == 0) return "0";
  char sci[64];
  std::snprintf(sci, sizeof sci, "%.14e", std::fabs(value));
  std::string digits;
  const char* p = sci;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  const int e = std::atoi(p + 1) + 1;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = value < 0 ? "-" : "";
  const int n = static_cast<int>(digits.size());
  if (e >= -3 && e <= 15) {
    if (e > 0) {
      for (int k = 0; k < e; ++k) out += k < n ? digits[k] : '0';
      if (n > e) out += "." + digits.substr(e);
    } else {
      out += "0." + std::string(-e, '0') + digits;
    }
  } else {
    out += digits.substr(0, 1);
    if (n > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(e - 1);
  }
  return out;
}

TEST(NumberToText, AgreesWithExactRoundingForAnyDouble) {
  std::mt19937_64 random(15);
  for (int i = 0; i < 200000; ++i) {
    uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    if (std::fabs(value) >= 1.797693134862315e308) continue;  // written readable, see above
    ASSERT_EQ(NumberToText(value), Reference(value)) << bits;
  }
  std::uniform_int_distribution<int> digits(0, 9999999), exponent(-320, 300);
  for (int i = 0; i < 100000; ++i) {
    const double value =
        TextToFloat(std::to_string(digits(random)) + "e" + std::to_string(exponent(random)));
    ASSERT_EQ(NumberToText(value), Reference(value)) << value;
  }
  // Short decimals of every scale, and their neighbours, which are none.
  std::uniform_int_distribution<int64_t> whole(0, 999999999999999);
  for (int i = 0; i < 100000; ++i) {
    const double value = static_cast<double>(whole(random) >> (i % 40)) / std::pow(10.0, i % 19);
    for (double near : {value, std::nextafter(value, 0.0), std::nextafter(value, 1e300)}) {
      ASSERT_EQ(NumberToText(near), Reference(near)) << near;
    }
  }
  for (double value :
       {0.1, 0.3, 1e-5, 123.456, 1e15, 999999999999999.5, 5e-324, 2.2250738585072014e-308}) {
    EXPECT_EQ(NumberToText(value), Reference(value)) << value;
  }
}

}  // namespace
}  // namespace q836
