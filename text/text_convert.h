// Forgiving conversions between text and values. Malformed text yields 0,
// 0.0 or false; the only failure is a decimal number beyond a double's range.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace q836 {

/// Raised by TextToFloat for a value whose magnitude exceeds the largest double.
class FloatOverflowError : public std::runtime_error {
 public:
  FloatOverflowError();
};

/// The text without blanks, full-width blanks and control bytes, wherever they stand.
std::string StripBlanks(std::string_view text);

/// True for T, TR, TRU, TRUE, 1, １, ○, ON, 真, 正 (blanks ignored, ASCII case ignored).
bool TextToBool(std::string_view text);

/// "1" for true, "0" for false.
std::string_view BoolToText(bool value);

/// Decimal or $/x/0x hexadecimal integer filling the whole text, else 0.
int32_t TextToInt(std::string_view text);

/// Decimal real number filling the whole text, else 0.0; throws FloatOverflowError.
double TextToFloat(std::string_view text);

/// The same, NaN where TextToFloat throws (it never reads a text as NaN).
double TextToFloatOrNan(std::string_view text);

/// Whether TextToFloat reads `text` as a number rather than taking it for 0.0
/// because it is none (leading blanks, a sign, digits with an optional
/// point, an optional exponent; at least one digit before the exponent).
bool IsDecimalText(std::string_view text);

/// Euclidean distance of two points, computed in extended precision.
long double PointDistanceExtended(double x1, double y1, double x2, double y2);

/// Euclidean distance of two points, the exact value correctly rounded to a double.
double PointDistance(double x1, double y1, double x2, double y2);

}  // namespace q836
