// Fuzz target: the text helpers on any bytes. TextToFloat must agree with
// std::from_chars wherever the text is a plain decimal number (the strict
// grammar), TextToInt with it on plain decimal integers, and a double written
// by NumberToText must read back within its 15-digit rounding.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "text/number_text.h"
#include "text/text_convert.h"

namespace {

[[noreturn]] void Violation(const char* what, std::string_view text) {
  std::fprintf(stderr, "invariant violated: %s: [%.*s]\n", what, static_cast<int>(text.size()),
               text.data());
  std::abort();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// -?(digits[.digits*]|.digits)([eE][+-]?digits)? filling the whole text.
bool IsStrictDecimal(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && t[i] == '-') ++i;
  size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t exponentDigits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return i == t.size();
}

void CheckFloat(std::string_view text) {
  double value = 0;
  bool overflow = false;
  try {
    value = q836::TextToFloat(text);
  } catch (const q836::FloatOverflowError&) {
    overflow = true;
  }
  if (!IsStrictDecimal(text)) return;
  const bool negative = text[0] == '-';
  std::string_view unsigned_text = text.substr(negative ? 1 : 0);
  double expected = 0;
  const auto [end, error] =
      std::from_chars(unsigned_text.data(), unsigned_text.data() + unsigned_text.size(), expected);
  if (end != unsigned_text.data() + unsigned_text.size())
    Violation("from_chars stopped early", text);
  if (error == std::errc::result_out_of_range) {
    // Beyond a double: an overflow is reported, an underflow reads as zero.
    if (!overflow && value != 0) Violation("out of range read as a number", text);
    return;
  }
  if (overflow) Violation("overflow reported for a number in range", text);
  if (negative) expected = -expected;
  if (value != expected) Violation("TextToFloat differs from from_chars", text);
}

void CheckInt(std::string_view text) {
  const int32_t value = q836::TextToInt(text);
  if (text.empty() || text.size() > 12) return;
  for (size_t i = text[0] == '-' ? 1 : 0; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return;
  }
  if (text == "-") return;
  int32_t expected = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), expected);
  if (error == std::errc() && end == text.data() + text.size() && value != expected) {
    Violation("TextToInt differs from from_chars", text);
  }
}

void CheckNumberText(double value) {
  if (!std::isfinite(value) || value == 0) return;
  const std::string text = q836::NumberToText(value);
  double back = 0;
  try {
    back = q836::TextToFloat(text);
  } catch (const q836::FloatOverflowError&) {
    Violation("NumberToText wrote an overflow", text);
  }
  const double magnitude = std::fabs(value);
  // Half a unit of the 15th significant digit, plus an ulp for reading back;
  // the largest doubles are written one unit below, to stay in range.
  const double unit = std::pow(10.0, std::floor(std::log10(magnitude)) - 14);
  double allowed = magnitude >= 1.797693134862315e308 ? unit : 0.5 * unit * (1 + 1e-9);
  allowed += std::nextafter(magnitude, INFINITY) - magnitude;
  if (!(std::fabs(back - value) <= allowed)) Violation("NumberToText read back too far", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckFloat(text);
  CheckInt(text);
  q836::TextToBool(text);
  q836::StripBlanks(text);
  if (size >= sizeof(double)) {
    double value;
    std::memcpy(&value, data, sizeof value);
    CheckNumberText(value);
  }
  if (IsStrictDecimal(text)) {
    try {
      CheckNumberText(q836::TextToFloat(text));
    } catch (const q836::FloatOverflowError&) {
    }
  }
  return 0;
}
