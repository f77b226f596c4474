// Entity lines of the output. Each formatter writes the shape line(s) of one
// entity, or nothing when the figure is degenerate (zero length, zero
// radius, no direction, no visible character, coinciding corners).
#pragma once

#include <cstdint>
#include <string_view>

namespace q836 {

/// Tolerance of every degenerate-figure test.
inline constexpr double Eps = 1e-8;

/// Four numbers, no keyword; nothing for a zero-length line.
void EmitBareLine(double x1, double y1, double x2, double y2);
/// "pl", the start of a polyline.
void EmitPolylineStart();
/// "#", the end of a polyline.
void EmitPolylineEnd();
/// "pt" and the point.
void EmitPoint(double x, double y);
/// The scale a marker line carries for `scale`: 1 for one too small to
/// draw (at most Eps either way), else `scale` itself.
inline double WrittenMarkerScale(double scale) {
  return scale >= -Eps && scale <= Eps ? 1.0 : scale;
}
/// "pt" and five numbers; the code and scale (WrittenMarkerScale) are
/// normalised first.
void EmitMarker(int32_t code, double x, double y, double scale, double p4);
/// "ci" and three numbers.
void EmitCircle(double x, double y, double radius);
/// "ci" and seven numbers.
void EmitArc(double x, double y, double radius, double p4, double p5, double p6, double p7);
/// The text keyword line and the text as the line joined to it.
void EmitText(int32_t variant, std::string_view text, double x, double y, double p3, double p4);
/// "msg", the line and the "cs" text; a blank text becomes the line's length.
void EmitDimension(std::string_view text, double x1, double y1, double x2, double y2, double x,
                   double y, double p3, double p4);
/// "sl" and two corners.
void EmitSolid2(double x1, double y1, double x2, double y2);
/// "sl" and three corners.
void EmitSolid3(double x1, double y1, double x2, double y2, double x3, double y3);
/// "sl" and four corners, reduced to three or dropped where corners coincide.
void EmitSolid4(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                double y4);
/// "sc", seven reals and the code.
void EmitCircleSolid(double x, double y, double radius, double p4, double p5, double p6, double p7,
                     int32_t code);
/// "se", seven reals and the code.
void EmitRimSolid(double x, double y, double radius, double p4, double p5, double p6, double p7,
                  int32_t code);
/// "so" and eight reals.
void EmitRingSolid(double x, double y, double radius, double p4, double p5, double p6, double p7,
                   double p8);
/// "sg" and eight reals.
void EmitRingSolid2(double x, double y, double radius, double p4, double p5, double p6, double p7,
                    double p8);

/// The text a dimension shows for a line of this length: at most 8 decimals.
void AppendDimensionLength(class LineBuilder& out, double x1, double y1, double x2, double y2);

}  // namespace q836
