#include "view/view_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "exchange/line_builder.h"
#include "text/number_text.h"
#include "view/view_model.h"

namespace q836 {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The largest number the picture holds: sums and differences of such
// numbers stay finite. A drawing reaching beyond kScaledBeyond is scaled
// down by a power of two (exact) for the picture.
constexpr double kLargest = 1e300;
constexpr double kScaledBeyond = 1e296;

// A number as SVG takes it: never infinite or NaN.
std::string Num(double v) {
  if (std::isnan(v)) v = 0;
  return NumberToText(std::clamp(v, -kLargest, kLargest));
}

Shape Scaled(Shape s, double k) {
  for (double& v : s.x) v *= k;
  for (double& v : s.y) v *= k;
  s.radius *= k;
  s.inner *= k;
  return s;
}

const char* ClassName(FigureClass c) {
  switch (c) {
    case FigureClass::kConverted:
      return "converted";
    case FigureClass::kKept:
      return "kept";
    default:
      return "figure";
  }
}

std::string Hex(Rgb c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
  return text;
}

// Appends " NAME=\"NUMBER\"".
void Attribute(std::string& out, const char* name, double value) {
  out += ' ';
  out += name;
  out += "=\"";
  out += Num(value);
  out += '"';
}

void Point(std::string& out, double x, double y) {
  out += Num(x);
  out += ',';
  out += Num(y);
}

// The point of an ellipse at parameter t.
void EllipsePoint(const Shape& s, double radius, double t, double* x, double* y) {
  const double flat = std::isfinite(s.flatness) && s.flatness != 0 ? s.flatness : 1;
  const double ex = radius * std::cos(t), ey = radius * flat * std::sin(t);
  *x = s.x[0] + ex * std::cos(s.tilt) - ey * std::sin(s.tilt);
  *y = s.y[0] + ex * std::sin(s.tilt) + ey * std::cos(s.tilt);
}

// Path data of an arc: whole ellipses as two halves, counter-clockwise.
void ArcPath(std::string& out, const Shape& s, double radius) {
  const double flat = std::isfinite(s.flatness) && s.flatness != 0 ? s.flatness : 1;
  const double rx = std::fabs(radius), ry = std::fabs(radius * flat);
  const double degrees = s.tilt * 180 / kPi;
  double start = s.whole ? 0 : s.start;
  double sweep =
      s.whole ? 2 * kPi : std::fmod(std::fmod(s.end - s.start, 2 * kPi) + 2 * kPi, 2 * kPi);
  const int pieces = sweep > kPi ? 2 : 1;
  double x, y;
  EllipsePoint(s, radius, start, &x, &y);
  out += 'M';
  Point(out, x, y);
  for (int i = 1; i <= pieces; ++i) {
    const double t = start + sweep * i / pieces;
    EllipsePoint(s, radius, t, &x, &y);
    out += " A" + Num(rx) + "," + Num(ry) + " " + Num(degrees) + " 0 1 ";
    Point(out, x, y);
  }
  if (s.whole) out += 'Z';
}

// A marker's strokes as path data, `size` millimetres wide.
void MarkerPath(std::string& out, double x, double y, int32_t index, double size) {
  for (const MarkerStroke& stroke : MarkerStrokes(index)) {
    for (int i = 0; i < stroke.count; ++i) {
      out += i == 0 ? 'M' : 'L';
      // The strokes are drawn y down; the picture is y up.
      Point(out, x + stroke.x[i] * size, y - stroke.y[i] * size);
      out += ' ';
    }
  }
}

// One figure in its class; a converted figure that OK keeps beside its
// point or marker is also of the class "stays".
void Figure(std::string& out, const Shape& s, FigureClass c, double pixel, bool keepOriginals) {
  std::string cls = ClassName(c);
  if (keepOriginals && c == FigureClass::kConverted) cls += " stays";
  switch (s.kind) {
    case Shape::kSegment:
      out += std::string("<line class=\"") + cls + '"';
      Attribute(out, "x1", s.x[0]);
      Attribute(out, "y1", s.y[0]);
      Attribute(out, "x2", s.x[1]);
      Attribute(out, "y2", s.y[1]);
      out += "/>\n";
      return;
    case Shape::kPolygon:
    case Shape::kTextBox:
      out += std::string("<polygon class=\"") + cls + (s.filled ? " solid" : "") + "\" points=\"";
      for (int i = 0; i < s.n; ++i) {
        if (i) out += ' ';
        Point(out, s.x[i], s.y[i]);
      }
      out += "\"/>\n";
      return;
    case Shape::kArc:
      out += std::string("<path class=\"") + cls + (s.filled ? " solid" : "") + "\" d=\"";
      ArcPath(out, s, s.radius);
      if (s.inner > 0) {
        out += ' ';
        ArcPath(out, s, s.inner);
      }
      out += "\"/>\n";
      return;
    case Shape::kPoint:
      out += std::string("<circle class=\"") + cls + " point\"";
      Attribute(out, "cx", s.x[0]);
      Attribute(out, "cy", s.y[0]);
      Attribute(out, "r", pixel / 2);
      out += "/>\n";
      return;
    case Shape::kMarker:
    case Shape::kBlock: {
      const int32_t index = MarkerShapeOf(s);
      out += std::string("<path class=\"") + cls + "\" d=\"";
      MarkerPath(out, s.x[0], s.y[0], index, 7 * pixel);
      out += "\"/>\n";
      return;
    }
  }
}

}  // namespace

std::string ViewSvg(const ViewModel& model, const Palette& palette, const ConversionChoice& choice,
                    bool (*stopped)()) {
  Extent e = model.Selection();
  if (e.empty) e = {0, 0, 1, 1, false};
  const double farthest =
      std::max({std::fabs(e.minX), std::fabs(e.maxX), std::fabs(e.minY), std::fabs(e.maxY)});
  double k = 1;
  if (!(farthest <= kScaledBeyond)) {
    k = std::isfinite(farthest) ? std::ldexp(1.0, -std::ilogb(farthest / kScaledBeyond) - 1)
                                : 0x1p-64;
    e = {e.minX * k, e.minY * k, e.maxX * k, e.maxY * k, false};
  }
  double w = e.maxX - e.minX, h = e.maxY - e.minY;
  const double side = std::max({w, h, 1e-9});
  const double margin = side / 50;
  // One device pixel of a 600-pixel picture: the size of points and markers.
  const double pixel = (side + 2 * margin) / 600;
  std::string out;
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"600\" height=\"600\" viewBox=\"";
  out += Num(e.minX - margin) + " " + Num(-(e.maxY + margin)) + " " + Num(w + 2 * margin) + " " +
         Num(h + 2 * margin) + "\">\n";
  out += "<style>\n";
  // Lines one pixel wide at the picture's own size.
  out += "path, line, polygon { fill: none; stroke-width: " + Num(pixel) + " }\n";
  const struct {
    const char* name;
    Rgb colour;
  } classes[] = {{"figure", palette.viewFigure},
                 {"kept", palette.viewKept},
                 {"converted", palette.viewConverted},
                 {"result", palette.viewConverted}};
  for (const auto& c : classes) {
    out += std::string(".") + c.name + " { stroke: " + Hex(c.colour) + " }\n";
    out +=
        std::string(".") + c.name + ".solid { fill: " + Hex(c.colour) + "; fill-opacity: 0.25 }\n";
    out += std::string(".") + c.name + ".point, circle." + c.name + " { fill: " + Hex(c.colour) +
           "; stroke: none }\n";
  }
  out += "</style>\n";
  out += "<rect x=\"" + Num(e.minX - margin) + "\" y=\"" + Num(-(e.maxY + margin)) +
         "\" width=\"100%\" height=\"100%\" fill=\"" + Hex(palette.viewBack) + "\"/>\n";
  // Drawing millimetres, y upwards.
  out += "<g transform=\"scale(1,-1)\">\n";
  // A stop request is looked at every few thousand figures; the picture
  // then ends empty.
  size_t figures = 0;
  bool stop = false;
  auto stopping = [&] {
    if (!stop && stopped && ++figures % 4096 == 0) stop = stopped();
    return stop;
  };
  ForEachFigure([&](FigureRef f, const Shape& s) {
    if (stopping()) return;
    Figure(out, k == 1 ? s : Scaled(s, k), ClassOf(choice, f), pixel, choice.keepOriginals);
  });
  ForEachFigure([&](FigureRef f, const Shape& shape) {
    if (stopping() || ClassOf(choice, f) != FigureClass::kConverted) return;
    const Shape s = k == 1 ? shape : Scaled(shape, k);
    // The coordinates as OK writes them in the figure's "pt" line.
    const std::string x(LineBuilder().Real(shape.x[0]).View());
    const std::string y(LineBuilder().Real(shape.y[0]).View());
    if (choice.asPoint) {
      out += "<circle class=\"result\" data-x=\"" + x + "\" data-y=\"" + y + "\"";
      Attribute(out, "cx", s.x[0]);
      Attribute(out, "cy", s.y[0]);
      Attribute(out, "r", 1.5 * pixel);
      out += "/>\n";
    } else {
      out += "<path class=\"result\" data-x=\"" + x + "\" data-y=\"" + y + "\" d=\"";
      MarkerPath(out, s.x[0], s.y[0], std::clamp(choice.markerIndex, 0, 6), 7 * pixel);
      out += "\"/>\n";
    }
  });
  if (stop || (stopped && stopped())) return std::string();
  out += "</g>\n</svg>\n";
  return out;
}

}  // namespace q836
