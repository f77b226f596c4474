#include "view/view_figures.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "text/number_text.h"
#include "text/sjis.h"
#include "text/text_convert.h"
#include "tool/convert_table.h"
#include "tool/form1.h"
#include "tool/preview.h"
#include "tool/settings.h"

namespace q836 {

namespace {

constexpr double kPi = 3.14159265358979323846;

// An arc as the "ci" line and the circle-type solids give it: radius,
// flatness, start and end angle, tilt.
template <typename T>
Shape ArcShape(const T& a, bool filled) {
  Shape s{Shape::kArc};
  s.n = 1;
  s.x[0] = a.X, s.y[0] = a.Y;
  s.radius = a.Radius, s.flatness = a.P4, s.start = a.P5, s.end = a.P6, s.tilt = a.P7;
  s.whole = std::fabs(a.P6 - a.P5) >= 2 * kPi - 1e-9 || a.P6 == a.P5;
  s.filled = filled;
  return s;
}

// The box a text takes: along its direction from its start point, as long
// as its characters (a full-width one takes the width, a half-width one
// half of it, plus the spacing), as high as its height.
Shape TextBox(const TJwwEntText& t) {
  Shape s{Shape::kTextBox};
  s.n = 4;
  double dx = t.P3, dy = t.P4;
  const double d = std::hypot(dx, dy);
  if (!(d > 0) || !std::isfinite(d)) {
    dx = 1, dy = 0;
  } else {
    dx /= d, dy /= d;
  }
  const std::string_view text = t.Text.View();
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i, ++characters) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) ++i;
  }
  const double length = static_cast<double>(text.size()) * t.Width / 2 +
                        (characters > 1 ? static_cast<double>(characters - 1) * t.Spacing : 0);
  const double h = t.Height;
  const double cx[4] = {0, length, length, 0}, cy[4] = {0, 0, h, h};
  for (int i = 0; i < 4; ++i) {
    s.x[i] = t.X + cx[i] * dx - cy[i] * dy;
    s.y[i] = t.Y + cx[i] * dy + cy[i] * dx;
  }
  return s;
}

Shape Segment(double x1, double y1, double x2, double y2) {
  Shape s{Shape::kSegment};
  s.n = 2;
  s.x[0] = x1, s.y[0] = y1, s.x[1] = x2, s.y[1] = y2;
  return s;
}

Shape Polygon(std::initializer_list<std::pair<double, double>> corners) {
  Shape s{Shape::kPolygon};
  for (const auto& [x, y] : corners) {
    s.x[s.n] = x, s.y[s.n] = y;
    ++s.n;
  }
  s.filled = true;
  return s;
}

Shape At(Shape::Kind kind, double x, double y) {
  Shape s{kind};
  s.n = 1;
  s.x[0] = x, s.y[0] = y;
  return s;
}

}  // namespace

std::array<FigureTable, kFigureTables> FigureTables() {
  return {{{kLine, LineCount},
           {kText, TextCount},
           {kDim, DimCount},
           {kBlock, BlockCount},
           {kSolid2, Solid2Count},
           {kSolid3, Solid3Count},
           {kSolid4, Solid4Count},
           {kPoint, PointCount},
           {kMarker, MarkerCount},
           {kCircle, CircleCount},
           {kArc, ArcCount},
           {kCircleSolid, CircleSolidCount},
           {kRimSolid, RimSolidCount},
           {kRingSolid, RingSolidCount},
           {kRingSolid2, RingSolid2Count}}};
}

int CandidateKindOf(int32_t entityKind) {
  switch (entityKind) {
    case kCircle:
      return kCircleCandidates;
    case kArc:
      return kArcCandidates;
    case kCircleSolid:
      return kCircleSolidCandidates;
    case kRimSolid:
      return kRimSolidCandidates;
    case kRingSolid:
    case kRingSolid2:
      return kRingSolidCandidates;
    default:
      return -1;
  }
}

double RadiusOf(FigureRef f) {
  switch (f.kind) {
    case kCircle:
      return Circles[f.index].Radius;
    case kArc:
      return Arcs[f.index].Radius;
    case kCircleSolid:
      return CircleSolids[f.index].Radius;
    case kRimSolid:
      return RimSolids[f.index].Radius;
    case kRingSolid:
      return RingSolids[f.index].Radius;
    case kRingSolid2:
      return RingSolids2[f.index].Radius;
    default:
      return std::numeric_limits<double>::quiet_NaN();
  }
}

FigureClass ClassOf(const ConversionChoice& choice, FigureRef figure) {
  const int kind = CandidateKindOf(figure.kind);
  if (kind < 0 || !choice.chosen[kind]) return FigureClass::kFigure;
  if (!choice.refused && choice.Range().Contains(RadiusOf(figure))) return FigureClass::kConverted;
  return FigureClass::kKept;
}

Shape ShapeOf(FigureRef f) {
  const int32_t i = f.index;
  switch (f.kind) {
    case kLine: {
      const TJwwEntLine& l = Lines[i];
      return Segment(l.X1, l.Y1, l.X2, l.Y2);
    }
    case kCircle: {
      const TJwwEntCircle& c = Circles[i];
      Shape s = At(Shape::kArc, c.X, c.Y);
      s.radius = c.Radius, s.whole = true, s.end = 2 * kPi;
      return s;
    }
    case kArc:
      return ArcShape(Arcs[i], false);
    case kText:
      return TextBox(Texts[i]);
    case kPoint:
      return At(Shape::kPoint, Points[i].X, Points[i].Y);
    case kMarker: {
      Shape s = At(Shape::kMarker, Markers[i].X, Markers[i].Y);
      s.markerCode = Markers[i].Code;
      return s;
    }
    case kDim: {
      // The dimension line; its text shows as the text's box would.
      const TJwwEntLine& l = Dims[i].Line;
      return Segment(l.X1, l.Y1, l.X2, l.Y2);
    }
    case kBlock:
      return At(Shape::kBlock, Blocks[i].X, Blocks[i].Y);
    case kSolid2: {
      const TJwwEntSolid2& s = Solids2[i];
      return Polygon({{s.X1, s.Y1}, {s.X2, s.Y1}, {s.X2, s.Y2}, {s.X1, s.Y2}});
    }
    case kSolid3: {
      const TJwwEntSolid3& s = Solids3[i];
      return Polygon({{s.X1, s.Y1}, {s.X2, s.Y2}, {s.X3, s.Y3}});
    }
    case kSolid4: {
      const TJwwEntSolid4& s = Solids4[i];
      return Polygon({{s.X1, s.Y1}, {s.X2, s.Y2}, {s.X3, s.Y3}, {s.X4, s.Y4}});
    }
    case kCircleSolid:
      return ArcShape(CircleSolids[i], true);
    case kRimSolid:
      return ArcShape(RimSolids[i], true);
    case kRingSolid:
    case kRingSolid2: {
      const TJwwEntRingSolid& r = f.kind == kRingSolid ? RingSolids[i] : RingSolids2[i];
      Shape s = ArcShape(r, true);
      s.inner = r.P8 > 0 && r.P8 < r.Radius ? r.P8 : 0;
      return s;
    }
  }
  return At(Shape::kPoint, 0, 0);
}

namespace {

// The shortest text that reads back as `radius` itself, for a radius whose
// fifteen digits fall on the wrong side of it.
std::string ExactText(double radius) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, radius).ptr;
  return std::string(buffer, end);
}

}  // namespace

std::string RadiusText(double radius) {
  std::string text = NumberToText(radius);
  return ClampRadiusLimit(TextToFloat(text)) < radius ? ExactText(radius) : text;
}

std::string RadiusFromText(double radius) {
  std::string text = NumberToText(radius);
  return TextToFloat(text) > radius ? ExactText(radius) : text;
}

std::string DescribeFigure(FigureRef f, const ConversionChoice& choice) {
  static const char* const kNames[] = {
      "",           "線",           "円",           "円弧",        "文字",     "点",
      "点マーカー", "寸法",         "ブロック",     "ソリッド",    "ソリッド", "ソリッド",
      "円ソリッド", "円周ソリッド", "円環ソリッド", "円環ソリッド"};
  std::string text = f.kind >= 0 && f.kind <= kRingSolid2 ? kNames[f.kind] : "図形";
  if (f.kind == kArc && Arcs[f.index].P4 != 1) text = ShapeOf(f).whole ? "楕円" : "楕円弧";
  if (CandidateKindOf(f.kind) < 0) return text;
  const Shape s = ShapeOf(f);
  text += "　半径 " + NumberToText(RadiusOf(f)) + "　中心 (" + NumberToText(s.x[0]) + ", " +
          NumberToText(s.y[0]) + ")　→ ";
  switch (ClassOf(choice, f)) {
    case FigureClass::kConverted:
      if (choice.asPoint) {
        text += "点";
      } else {
        text += "点マーカー";
        if (choice.markerIndex >= 0 && choice.markerIndex <= kLastMarkerIndex)
          text += kMarkerShapes[choice.markerIndex];
      }
      if (choice.keepOriginals) text += "（元の図形も残ります）";
      break;
    case FigureClass::kKept:
      text += choice.refused              ? "残ります（ＯＫできない値があります）"
              : RadiusOf(f) < choice.from ? "残ります（半径が下限より小さい）"
                                          : "残ります（半径が限度より大きい）";
      break;
    case FigureClass::kFigure:
      text += "残ります（対象図形に選ばれていません）";
      break;
  }
  return text;
}

}  // namespace q836
