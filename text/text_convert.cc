#include "text/text_convert.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "text/sjis.h"

namespace q836 {

FloatOverflowError::FloatOverflowError() : std::runtime_error("浮動小数点数のオーバーフロー") {}

std::string StripBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b) && i + 1 < text.size()) {
      if (!(b == 0x81 && static_cast<unsigned char>(text[i + 1]) == 0x40)) {
        out.push_back(text[i]);
        out.push_back(text[i + 1]);
      }
      ++i;
    } else if (b > 0x20) {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool TextToBool(std::string_view text) {
  std::string s = StripBlanks(text);
  // Upper-case single-byte letters only; the second byte of a two-byte
  // character is never a letter of its own.
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(b)) {
      ++i;
    } else if (b >= 'a' && b <= 'z') {
      s[i] = static_cast<char>(b - 'a' + 'A');
    }
  }
  static constexpr std::string_view kTrue[] = {
      "T", "TR", "TRU", "TRUE", "1", "\x82\x50", "\x81\x9b", "ON", "\x90\x5e", "\x90\xb3"};
  for (std::string_view t : kTrue) {
    if (s == t) return true;
  }
  return false;
}

std::string_view BoolToText(bool value) { return value ? "1" : "0"; }

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipSpaces(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return i;
}

}  // namespace

int32_t TextToInt(std::string_view text) {
  size_t i = SkipSpaces(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::string_view rest = text.substr(i);
  size_t hexStart = 0;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    hexStart = 1;
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    hexStart = 2;
  }
  if (hexStart != 0) {
    if (rest.size() == hexStart) return 0;
    uint64_t value = 0;
    for (size_t k = hexStart; k < rest.size(); ++k) {
      int d = HexDigit(rest[k]);
      if (d < 0) return 0;
      value = value * 16 + static_cast<unsigned>(d);
      if (value > 0xFFFFFFFFu) return 0;
    }
    // The digits are the 32-bit pattern of the result; a sign has no effect.
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  if (rest.empty()) return 0;
  int64_t value = 0;
  for (char c : rest) {
    if (!IsDigit(c)) return 0;
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) return 0;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return 0;
  return static_cast<int32_t>(value);
}

namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common short form of a drawing's numbers: an optional sign, at most 15
// digits with at most one point among or around them, nothing else. Its
// digits are an exact double and its scale at most 10^15, so one correctly
// rounded division gives the value, as in the general reading. False for
// any other text.
bool ReadShortDecimal(std::string_view text, double* value) {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (p == end) return false;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  uint64_t mantissa = 0;
  int digits = 0, fraction = -1;  // digits after the point, -1 without one
  for (; p != end; ++p) {
    const unsigned d = static_cast<unsigned char>(*p) - '0';
    if (d <= 9) {
      mantissa = mantissa * 10 + d;
      ++digits;
      if (fraction >= 0) ++fraction;
    } else if (*p == '.' && fraction < 0) {
      fraction = 0;
    } else {
      return false;
    }
  }
  if (digits == 0 || digits > 15) return false;
  if (mantissa == 0) {
    *value = 0.0;  // "-0" too, as the general reading gives
    return true;
  }
  double v = static_cast<double>(mantissa);
  if (fraction > 0) v /= kPowersOfTen[fraction];
  *value = negative ? -v : v;
  return true;
}

}  // namespace

double TextToFloatOrNan(std::string_view text) {
  if (double value; ReadShortDecimal(text, &value)) return value;
  // A text that starts otherwise than a number can is none (a keyword).
  if (text.empty() ||
      !(IsDigit(text[0]) || text[0] == '.' || text[0] == '-' || text[0] == '+' || text[0] == ' ')) {
    return 0.0;
  }
  size_t i = SkipSpaces(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t start = i;
  // Grammar: digits [. digits] [(e|E) [+|-] digits], either mantissa run may be empty.
  // The mantissa is kept as its first 19 significant digits and the power of
  // ten that scales them; significant + scale is the decimal exponent of the
  // leading digit.
  uint64_t mantissa = 0;
  int significant = 0;
  int64_t scale = 0;
  auto digits = [&](bool fraction) {
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (significant < 19) {
        if (text[i] != '0' || significant > 0) {
          mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
          ++significant;
        }
        if (fraction) --scale;
      } else if (!fraction) {
        ++scale;
      }
    }
  };
  digits(false);
  if (i < text.size() && text[i] == '.') {
    ++i;
    digits(true);
  }
  int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      negativeExponent = text[i] == '-';
      ++i;
    }
    if (i == text.size() || !IsDigit(text[i])) return 0.0;
    while (i < text.size() && IsDigit(text[i])) {
      if (exponent < 1000000000) exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return 0.0;
  if (significant == 0) return 0.0;  // zero, a lone point, or no digits

  // A mantissa below 2^53 times a power of ten up to 10^22 is one correctly
  // rounded multiplication or division of two exact doubles.
  const int64_t power = scale + exponent;
  if (significant < 19 && mantissa <= (uint64_t{1} << 53) && power >= -22 && power <= 22) {
    double value = static_cast<double>(mantissa);
    value = power < 0 ? value / kPowersOfTen[-power] : value * kPowersOfTen[power];
    return negative ? -value : value;
  }

  double value = 0.0;
  auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value,
                                      std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    // Too large or too small: the decimal magnitude tells which.
    if (significant + scale + exponent > 0) return std::numeric_limits<double>::quiet_NaN();
    value = 0.0;
  } else if (error != std::errc() || end != text.data() + text.size()) {
    return 0.0;
  }
  if (std::isinf(value)) return std::numeric_limits<double>::quiet_NaN();
  return negative ? -value : value;
}

double TextToFloat(std::string_view text) {
  const double value = TextToFloatOrNan(text);
  if (std::isnan(value)) throw FloatOverflowError();
  return value;
}

bool IsDecimalText(std::string_view text) {
  size_t i = SkipSpaces(text);
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == text.size() || !IsDigit(text[i])) return false;
    while (i < text.size() && IsDigit(text[i])) ++i;
  }
  return i == text.size();
}

}  // namespace q836
