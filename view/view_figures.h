// The figures of the loaded selection as the drawing view sees them: their
// geometry in drawing millimetres, and what OK does with each under the
// controls as they stand.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "exchange/drawing.h"
#include "tool/preview.h"
#include "tool/radius_index.h"

namespace q836 {

/// What OK does with a figure.
enum class FigureClass : uint8_t {
  kFigure,     // not a candidate of a chosen kind: written back as it is
  kKept,       // a candidate of a chosen kind whose radius is above the limit
  kConverted,  // dropped; a point or marker takes its place
};

/// One figure: its table (a TJwwEntKind) and its index there.
struct FigureRef {
  int32_t kind = kDropped;
  int32_t index = -1;
  bool operator==(const FigureRef&) const = default;
};

/// The candidate kind of an entity kind, or -1 when it is never converted.
int CandidateKindOf(int32_t entityKind);

/// The radius OK compares with the limit (NaN for a figure that is no candidate).
double RadiusOf(FigureRef figure);

/// The class of `figure` under `choice`: the same decision OK takes.
FigureClass ClassOf(const ConversionChoice& choice, FigureRef figure);

/// The shape of a figure in drawing millimetres.
struct Shape {
  enum Kind : uint8_t { kSegment, kArc, kPolygon, kPoint, kMarker, kTextBox, kBlock } kind;
  int n = 0;  // corners of a polygon or text box; 2 for a segment; 1 otherwise
  double x[4] = {}, y[4] = {};
  // Arcs: centre (x[0], y[0]), radius, flatness (minor / major), the start
  // and end angles and the tilt in radians; `inner` is a ring's inner radius.
  double radius = 0, flatness = 1, start = 0, end = 0, tilt = 0, inner = 0;
  bool whole = false;   // a whole circle or ellipse
  bool filled = false;  // a solid: filled lightly
  int32_t markerCode = 0;
  bool operator==(const Shape&) const = default;
};

/// The shape of one figure.
Shape ShapeOf(FigureRef figure);

/// One table of figures: its entity kind and how many records it holds.
struct FigureTable {
  int32_t kind;
  int32_t count;
};
inline constexpr size_t kFigureTables = 15;

/// The tables of the loaded drawing in the order the view takes them: the
/// candidates last, in the order OK converts them.
std::array<FigureTable, kFigureTables> FigureTables();

/// Calls fn(FigureRef, const Shape&) for every figure of the loaded drawing,
/// table by table.
template <typename Fn>
void ForEachFigure(Fn fn) {
  for (const FigureTable& t : FigureTables()) {
    for (int32_t i = 0; i < t.count; ++i) {
      const FigureRef figure{t.kind, i};
      fn(figure, ShapeOf(figure));
    }
  }
}

/// The text 半径 takes to convert a figure of `radius` and every smaller one:
/// as the tool writes numbers, with as many digits as reading it back needs
/// to reach the radius.
std::string RadiusText(double radius);
/// The text the lower limit takes to convert a figure of `radius` and every
/// larger one: as the tool writes numbers where that reads back at or below
/// the radius, else the shortest text that reads back as the radius itself.
std::string RadiusFromText(double radius);

/// The tooltip of a figure: its kind, radius and centre, and what OK does
/// with it, in UTF-8.
std::string DescribeFigure(FigureRef figure, const ConversionChoice& choice);

}  // namespace q836
