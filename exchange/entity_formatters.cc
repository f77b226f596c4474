#include "exchange/entity_formatters.h"

#include <cmath>
#include <limits>

#include "exchange/line_builder.h"
#include "exchange/output.h"
#include "text/decimal_round.h"
#include "text/sjis.h"
#include "text/text_convert.h"

namespace q836 {

namespace {

bool Equal(double x1, double y1, double x2, double y2) {
  return std::fabs(x1 - x2) < Eps && std::fabs(y1 - y2) < Eps;
}
bool Usable(double radius) { return radius > Eps; }
bool NonZero(double value) { return std::fabs(value) > Eps; }

// Whether the text has a character other than blanks, full-width blanks and
// control bytes (the test of StripBlanks, without building the copy).
bool HasVisibleCharacter(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b) && i + 1 < text.size()) {
      if (!(b == 0x81 && static_cast<unsigned char>(text[i + 1]) == 0x40)) return true;
      ++i;
    } else if (b > 0x20) {
      return true;
    }
  }
  return false;
}

// A line of `keyword` (a text that lives for the whole program) and `values`.
NumberLine Numbers(std::string_view keyword, std::initializer_list<double> values) {
  NumberLine line;
  line.keyword = keyword;
  for (double v : values) line.values[line.count++] = v;
  return line;
}

void EmitReals(std::string_view keyword, std::initializer_list<double> values) {
  EmitNumberLine(Numbers(keyword, values));
}

void EmitTextLines(std::string_view keyword, std::string_view text, double x, double y, double p3,
                   double p4) {
  NumberLine line = Numbers(keyword, {x, y, p3, p4});
  line.tail = " \"";
  line.joinsNext = true;
  EmitNumberLine(line);
  EmitLine(text);
}

}  // namespace

void EmitBareLine(double x1, double y1, double x2, double y2) {
  if (Equal(x1, y1, x2, y2)) return;
  EmitNumberLine(Numbers({}, {x1, y1, x2, y2}));
}

void EmitPolylineStart() { EmitLine("pl"); }

void EmitPolylineEnd() { EmitLine("#"); }

void EmitPoint(double x, double y) { EmitReals("pt", {x, y}); }

void EmitMarker(int32_t code, double x, double y, double scale, double p4) {
  if (code < -7 || code > 11) code = -3;
  NumberLine line = Numbers("pt", {x, y, WrittenMarkerScale(scale), p4});
  line.hasCode = true;
  line.code = code;
  EmitNumberLine(line);
}

void EmitCircle(double x, double y, double radius) {
  if (!Usable(radius)) return;
  EmitReals("ci", {x, y, radius});
}

void EmitArc(double x, double y, double radius, double p4, double p5, double p6, double p7) {
  if (!Usable(radius) || !NonZero(p6)) return;
  EmitReals("ci", {x, y, radius, p4, p5, p6, p7});
}

void EmitText(int32_t variant, std::string_view text, double x, double y, double p3, double p4) {
  if (!NonZero(p3) && !NonZero(p4)) return;
  if (!HasVisibleCharacter(text)) return;
  static constexpr std::string_view kKeywords[] = {"ch", "cv", "cs", "cr", "co",
                                                   "cp", "ct", "ck", "cz", "c2"};
  EmitTextLines(variant >= 0 && variant <= 9 ? kKeywords[variant] : "ch", text, x, y, p3, p4);
}

void AppendDimensionLength(LineBuilder& out, double x1, double y1, double x2, double y2) {
  const double length = PointDistance(x1, y1, x2, y2);
  if (std::isfinite(length)) {
    out.Real(RoundToEightDecimals(length));
    return;
  }
  // Beyond a double: cut to 8 decimals in extended precision.
  const long double extended = PointDistanceExtended(x1, y1, x2, y2);
  const long double cut = std::trunc(extended / 1e-8L + 0.5L) * 1e-8L;
  char buffer[kMaxNumberText];
  out.Add(std::string_view(buffer, AppendNumberText(buffer, cut) - buffer));
}

void EmitDimension(std::string_view text, double x1, double y1, double x2, double y2, double x,
                   double y, double p3, double p4) {
  if (Equal(x1, y1, x2, y2)) return;
  if (!NonZero(p3) && !NonZero(p4)) return;
  EmitLine("msg");
  EmitNumberLine(Numbers({}, {x1, y1, x2, y2}));
  if (HasVisibleCharacter(text)) {
    EmitTextLines("cs", text, x, y, p3, p4);
  } else {
    LineBuilder length;
    AppendDimensionLength(length, x1, y1, x2, y2);
    EmitTextLines("cs", length.View(), x, y, p3, p4);
  }
}

void EmitSolid2(double x1, double y1, double x2, double y2) {
  if (Equal(x1, y1, x2, y2)) return;
  EmitReals("sl", {x1, y1, x2, y2});
}

void EmitSolid3(double x1, double y1, double x2, double y2, double x3, double y3) {
  if (Equal(x1, y1, x2, y2) || Equal(x1, y1, x3, y3) || Equal(x2, y2, x3, y3)) return;
  EmitReals("sl", {x1, y1, x2, y2, x3, y3});
}

void EmitSolid4(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                double y4) {
  if (Equal(x1, y1, x2, y2)) return EmitSolid3(x1, y1, x3, y3, x4, y4);
  if (Equal(x1, y1, x3, y3)) return;
  if (Equal(x1, y1, x4, y4)) return EmitSolid3(x1, y1, x2, y2, x3, y3);
  if (Equal(x2, y2, x3, y3)) return EmitSolid3(x1, y1, x2, y2, x4, y4);
  if (Equal(x2, y2, x4, y4)) return;
  if (Equal(x3, y3, x4, y4)) return EmitSolid3(x1, y1, x2, y2, x3, y3);
  EmitReals("sl", {x1, y1, x2, y2, x3, y3, x4, y4});
}

namespace {

void EmitCodedSolid(std::string_view keyword, double x, double y, double radius, double p4,
                    double p5, double p6, double p7, int32_t code) {
  NumberLine line = Numbers(keyword, {x, y, radius, p4, p5, p6, p7});
  line.hasCode = true;
  line.code = code;
  EmitNumberLine(line);
}

bool RingUsable(double radius, double p4, double p8) {
  return Usable(radius) && p8 > Eps && p8 < radius - Eps && NonZero(p4);
}

}  // namespace

void EmitCircleSolid(double x, double y, double radius, double p4, double p5, double p6, double p7,
                     int32_t code) {
  if (!Usable(radius) || !NonZero(p4)) return;
  if (code != -1 && code != 0 && code != 5 && code != 100) return;
  EmitCodedSolid("sc", x, y, radius, p4, p5, p6, p7, code);
}

void EmitRimSolid(double x, double y, double radius, double p4, double p5, double p6, double p7,
                  int32_t code) {
  if (!Usable(radius) || !NonZero(p4)) return;
  if (code != 0 && code != 100) return;
  EmitCodedSolid("se", x, y, radius, p4, p5, p6, p7, code);
}

void EmitRingSolid(double x, double y, double radius, double p4, double p5, double p6, double p7,
                   double p8) {
  if (!RingUsable(radius, p4, p8)) return;
  EmitReals("so", {x, y, radius, p4, p5, p6, p7, p8});
}

void EmitRingSolid2(double x, double y, double radius, double p4, double p5, double p6, double p7,
                    double p8) {
  if (!RingUsable(radius, p4, p8)) return;
  EmitReals("sg", {x, y, radius, p4, p5, p6, p7, p8});
}

}  // namespace q836
