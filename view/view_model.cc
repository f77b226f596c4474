#include "view/view_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

namespace q836 {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Device coordinates stay well inside what GDI draws without wrapping.
constexpr double kDeviceLimit = 1 << 20;
// How often a painter asks whether it is overtaken, in figures.
constexpr size_t kOvertakenEvery = 4096;

bool Finite(double v) { return std::isfinite(v); }

// The most points an arc is drawn with.
constexpr int kMostArcSteps = 720;

// The turn of one step round a whole circle of n steps, for every n an arc
// is drawn with: computed once, as the C library's trigonometry costs
// more than the drawing on Windows.
struct Turn {
  double cos, sin;
};
const std::array<Turn, kMostArcSteps + 1>& WholeTurnSteps() {
  static const std::array<Turn, kMostArcSteps + 1> table = [] {
    std::array<Turn, kMostArcSteps + 1> t{};
    for (int n = 1; n <= kMostArcSteps; ++n) t[n] = {std::cos(2 * kPi / n), std::sin(2 * kPi / n)};
    return t;
  }();
  return table;
}

// The nearest whole number of a coordinate within the clipped range. The
// library's rounding and trigonometry are calls into the system's C
// library on Windows, which cost more than the painting around them.
int32_t Nearest(double v) { return static_cast<int32_t>(v < 0 ? v - 0.5 : v + 0.5); }

// Clips the segment to the box; false when nothing of it is inside.
bool Clip(double& x1, double& y1, double& x2, double& y2, double lo, double hiX, double hiY) {
  double t0 = 0, t1 = 1;
  const double dx = x2 - x1, dy = y2 - y1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - lo, hiX - x1, y1 - lo, hiY - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  const double ax = x1 + t0 * dx, ay = y1 + t0 * dy;
  x2 = x1 + t1 * dx, y2 = y1 + t1 * dy;
  x1 = ax, y1 = ay;
  return true;
}

double SegmentDistance(double px, double py, double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1, dy = y2 - y1;
  const double length = dx * dx + dy * dy;
  double t = length > 0 ? ((px - x1) * dx + (py - y1) * dy) / length : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - (x1 + t * dx), py - (y1 + t * dy));
}

bool Inside(const double* xs, const double* ys, int n, double px, double py) {
  bool in = false;
  for (int i = 0, j = n - 1; i < n; j = i++) {
    if ((ys[i] > py) != (ys[j] > py) &&
        px < (xs[j] - xs[i]) * (py - ys[i]) / (ys[j] - ys[i]) + xs[i]) {
      in = !in;
    }
  }
  return in;
}

}  // namespace

void Extent::Add(double x, double y) {
  if (!Finite(x) || !Finite(y)) return;
  if (empty) {
    minX = maxX = x, minY = maxY = y;
    empty = false;
    return;
  }
  minX = std::min(minX, x), maxX = std::max(maxX, x);
  minY = std::min(minY, y), maxY = std::max(maxY, y);
}

Extent ExtentOf(const Shape& s) {
  Extent e;
  if (s.kind == Shape::kArc) {
    // An ellipse flatter than 1 fits in the circle; one taller than it
    // reaches as far as its other axis.
    const double flat = Finite(s.flatness) ? std::fabs(s.flatness) : 1;
    const double r = std::fabs(s.radius) * std::max(flat, 1.0);
    if (Finite(r)) {
      e.Add(s.x[0] - r, s.y[0] - r);
      e.Add(s.x[0] + r, s.y[0] + r);
    }
    return e;
  }
  for (int i = 0; i < s.n; ++i) e.Add(s.x[i], s.y[i]);
  return e;
}

std::vector<MarkerStroke> MarkerStrokes(int32_t index) {
  const double h = 0.5, d = 0.35;
  switch (index) {
    case 0:  // ＊
      return {
          {2, {-h, h}, {0, 0}}, {2, {0, 0}, {-h, h}}, {2, {-d, d}, {-d, d}}, {2, {-d, d}, {d, -d}}};
    case 1:  // ○ (an octagon at this size)
      return {{5, {-h, -d, 0, d, h}, {0, -d, -h, -d, 0}}, {5, {h, d, 0, -d, -h}, {0, d, h, d, 0}}};
    case 2:  // ・
      return {{5, {-0.15, 0.15, 0.15, -0.15, -0.15}, {-0.15, -0.15, 0.15, 0.15, -0.15}}};
    case 3:  // ＋
      return {{2, {-h, h}, {0, 0}}, {2, {0, 0}, {-h, h}}};
    case 4:  // □
      return {{5, {-d, d, d, -d, -d}, {-d, -d, d, d, -d}}};
    case 5:  // △
      return {{4, {0, h, -h, 0}, {-h, d, d, -h}}};
    default:  // ×
      return {{2, {-d, d}, {-d, d}}, {2, {-d, d}, {d, -d}}};
  }
}

int32_t MarkerShapeOf(const Shape& s) {
  if (s.kind == Shape::kBlock) return 6;
  return s.markerCode >= -7 && s.markerCode <= -1 ? -s.markerCode - 1 : 3;
}

void ViewModel::Build() {
  BeginBuild();
  ContinueBuild(SIZE_MAX);
}

void ViewModel::BeginBuild() {
  extent_ = {};
  // New lists: copies of the model made before keep theirs.
  others_ = std::make_shared<std::vector<FigureRef>>();
  candidates_ = std::make_shared<std::vector<Candidate>>();
  figures_ = 0;
  table_ = 0;
  row_ = 0;
  // Room for every figure at once: growing the lists would copy them.
  size_t candidates = 0, others = 0;
  for (const FigureTable& t : FigureTables()) {
    (CandidateKindOf(t.kind) >= 0 ? candidates : others) +=
        static_cast<size_t>(std::max(t.count, 0));
  }
  candidates_->reserve(candidates);
  others_->reserve(others);
}

bool ViewModel::ContinueBuild(size_t most) {
  const std::array<FigureTable, kFigureTables> tables = FigureTables();
  for (size_t taken = 0; table_ < kFigureTables && taken < most;) {
    const FigureTable& t = tables[table_];
    if (row_ >= t.count) {
      ++table_;
      row_ = 0;
      continue;
    }
    const FigureRef f{t.kind, row_++};
    const Extent e = ExtentOf(ShapeOf(f));
    if (!e.empty) {
      extent_.Add(e.minX, e.minY);
      extent_.Add(e.maxX, e.maxY);
    }
    ++figures_;
    ++taken;
    if (CandidateKindOf(f.kind) >= 0) {
      candidates_->push_back({RadiusOf(f), f});
    } else {
      others_->push_back(f);
    }
  }
  if (table_ < kFigureTables) return false;
  // By radius, NaN (never converted) last: the figures a limit converts
  // are a leading run.
  std::stable_sort(candidates_->begin(), candidates_->end(),
                   [](const Candidate& a, const Candidate& b) {
                     return a.radius < b.radius || (a.radius == a.radius && b.radius != b.radius);
                   });
  others_->shrink_to_fit();
  candidates_->shrink_to_fit();
  fitted_ = false;
  if (width_ > 0) Fit();
  return true;
}

void ViewModel::SetSize(int32_t width, int32_t height, int32_t markerSize) {
  if (fitted_ && width_ > 0 && height_ > 0) {
    // The same part of the drawing stays in the middle, scaled with the view.
    const double cx = originX_ + width_ / 2.0 / scale_, cy = originY_ - height_ / 2.0 / scale_;
    scale_ *= static_cast<double>(std::min(width, height)) / std::min(width_, height_);
    originX_ = cx - width / 2.0 / scale_;
    originY_ = cy + height / 2.0 / scale_;
  }
  width_ = width, height_ = height, marker_ = std::max(markerSize, 3);
  if (!fitted_) Fit();
}

// The scale at which the whole selection fits the view, and its centre.
double ViewModel::FitScale(double* cx, double* cy) const {
  Extent e = extent_;
  if (e.empty) e = {0, 0, 1, 1, false};
  double w = e.maxX - e.minX, h = e.maxY - e.minY;
  if (!(w > 0) && !(h > 0)) w = h = 1;  // one point: a millimetre round it
  const double margin = marker_ + 1.0;  // device pixels on each side: room for a marker
  const double usableW = std::max(1.0, width_ - 2 * margin);
  const double usableH = std::max(1.0, height_ - 2 * margin);
  double scale = std::min(w > 0 ? usableW / w : HUGE_VAL, h > 0 ? usableH / h : HUGE_VAL);
  if (!Finite(scale) || scale <= 0) scale = 1;
  if (cx) *cx = (e.minX + e.maxX) / 2, *cy = (e.minY + e.maxY) / 2;
  return scale;
}

void ViewModel::Fit() {
  fitted_ = width_ > 0 && height_ > 0;
  double cx, cy;
  scale_ = FitScale(&cx, &cy);
  originX_ = cx - width_ / 2.0 / scale_;
  originY_ = cy + height_ / 2.0 / scale_;
}

void ViewModel::ZoomAt(double factor, double px, double py) {
  // Out, the whole selection stays at least a tenth of the view; in, a
  // pixel stays at least a micrometre (or the fit, for a tinier selection).
  const double fit = FitScale(nullptr, nullptr);
  const double next =
      std::clamp(scale_ * factor, fit / kFarthestOut, std::max(fit, kDeepestPixelsPerMm));
  if (!Finite(next) || next <= 0 || next == scale_) return;
  const double x = originX_ + px / scale_, y = originY_ - py / scale_;
  scale_ = next;
  originX_ = x - px / scale_;
  originY_ = y + py / scale_;
}

void ViewModel::Pan(double dx, double dy) {
  originX_ -= dx / scale_;
  originY_ += dy / scale_;
}

void ViewModel::Polyline(Canvas& canvas, const double* xs, const double* ys, int n,
                         Rgb colour) const {
  // Runs of the polyline inside the view (with a pixel to spare), each
  // given to the canvas whole.
  std::vector<DevicePoint>& run = run_;
  run.clear();
  const double lo = -2, hiX = width_ + 2, hiY = height_ + 2;
  auto flush = [&] {
    if (run.size() >= 2) canvas.Polyline(run.data(), static_cast<int>(run.size()), colour);
    run.clear();
  };
  auto rounded = Nearest;
  for (int i = 0; i + 1 < n; ++i) {
    double x1 = xs[i], y1 = ys[i], x2 = xs[i + 1], y2 = ys[i + 1];
    if (!Finite(x1) || !Finite(y1) || !Finite(x2) || !Finite(y2) ||
        !Clip(x1, y1, x2, y2, lo, hiX, hiY)) {
      flush();
      continue;
    }
    const DevicePoint a{rounded(x1), rounded(y1)}, b{rounded(x2), rounded(y2)};
    if (canvas.Covered(a, b, colour)) {
      flush();  // a full picture there: painting it would change nothing
      continue;
    }
    if (run.empty() || run.back().x != a.x || run.back().y != a.y) {
      flush();
      run.push_back(a);
    }
    run.push_back(b);
  }
  flush();
}

void ViewModel::ArcPoints(const Shape& s, double radius, std::vector<double>& xs,
                          std::vector<double>& ys) const {
  double start = s.whole ? 0 : s.start, sweep = s.whole ? 2 * kPi : s.end - s.start;
  if (!s.whole) sweep = std::fmod(std::fmod(sweep, 2 * kPi) + 2 * kPi, 2 * kPi);
  const double rpx = std::fabs(radius) * scale_;
  // Points enough for a smooth curve: 5 to 720 (also for a radius of NaN).
  double want = sweep / (2 * kPi) * 4 * std::sqrt(rpx);
  if (!(want < kMostArcSteps - 4)) want = kMostArcSteps - 4;
  if (!(want > 1)) want = 1;
  int steps = static_cast<int>(want);
  steps += (steps < want ? 1 : 0) + 4;
  const double flat = Finite(s.flatness) && s.flatness != 0 ? s.flatness : 1;
  // The common case, an untilted whole circle, needs no trigonometry.
  const double c = s.tilt == 0 ? 1 : std::cos(s.tilt), sn = s.tilt == 0 ? 0 : std::sin(s.tilt);
  xs.resize(static_cast<size_t>(steps) + 1);
  ys.resize(static_cast<size_t>(steps) + 1);
  // The point on the unit circle turns by one step at a time: two
  // multiplications instead of a cosine and a sine per point.
  double stepCos, stepSin, u = 1, v = 0;
  if (s.whole) {
    stepCos = WholeTurnSteps()[steps].cos, stepSin = WholeTurnSteps()[steps].sin;
  } else {
    stepCos = std::cos(sweep / steps), stepSin = std::sin(sweep / steps);
    u = std::cos(start), v = std::sin(start);
  }
  for (int i = 0; i <= steps; ++i) {
    const double ex = radius * u, ey = radius * flat * v;
    ToDevice(s.x[0] + ex * c - ey * sn, s.y[0] + ex * sn + ey * c, &xs[i], &ys[i]);
    const double next = u * stepCos - v * stepSin;
    v = u * stepSin + v * stepCos;
    u = next;
  }
}

void ViewModel::PaintFigure(Canvas& canvas, const Shape& s, Rgb colour, Rgb fill) const {
  double xs[5], ys[5];
  const int n = std::min(s.n, 4);
  for (int i = 0; i < n; ++i) ToDevice(s.x[i], s.y[i], &xs[i], &ys[i]);
  auto pixel = [&](double x, double y) {
    // Inside the view (NaN is not): truncation is the floor there.
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
      canvas.Pixel(static_cast<int32_t>(x), static_cast<int32_t>(y), colour);
  };
  // A figure smaller than a pixel is that pixel.
  const Extent e = ExtentOf(s);
  if (e.empty) return;
  const double size = std::max(e.maxX - e.minX, e.maxY - e.minY) * scale_;
  if (s.kind == Shape::kPoint ||
      (size < 1.5 && s.kind != Shape::kMarker && s.kind != Shape::kBlock)) {
    double x, y;
    ToDevice((e.minX + e.maxX) / 2, (e.minY + e.maxY) / 2, &x, &y);
    pixel(x, y);
    return;
  }
  // Whole figures outside the view cost nothing more.
  double left, top, right, bottom;
  ToDevice(e.minX, e.maxY, &left, &top);
  ToDevice(e.maxX, e.minY, &right, &bottom);
  const double spare = marker_ + 2.0;
  if (right < -spare || bottom < -spare || left > width_ + spare || top > height_ + spare) return;
  switch (s.kind) {
    case Shape::kSegment:
      Polyline(canvas, xs, ys, 2, colour);
      break;
    case Shape::kPolygon:
    case Shape::kTextBox: {
      xs[n] = xs[0], ys[n] = ys[0];
      bool small = true;  // within GDI's range: filled
      for (int i = 0; i < n; ++i)
        small = small && std::fabs(xs[i]) < kDeviceLimit && std::fabs(ys[i]) < kDeviceLimit;
      if (s.filled && small && n >= 3) {
        DevicePoint p[4];
        for (int i = 0; i < n; ++i) p[i] = {Nearest(xs[i]), Nearest(ys[i])};
        canvas.Polygon(p, n, colour, fill);
      } else {
        Polyline(canvas, xs, ys, n + 1, colour);
      }
      break;
    }
    case Shape::kArc: {
      // A curve inside a full part of the picture is left out whole: its
      // many short segments are not asked one by one.
      auto clamped = [](double v, int32_t high) {
        return static_cast<int32_t>(std::clamp(v, -4.0, high + 4.0));
      };
      if (canvas.CoveredBox({clamped(left, width_), clamped(top, height_)},
                            {clamped(right, width_) + 1, clamped(bottom, height_) + 1}, colour)) {
        break;
      }
      // The arc's points go to scratch storage the painter keeps.
      std::vector<double>& ax = arcX_;
      std::vector<double>& ay = arcY_;
      ArcPoints(s, s.radius, ax, ay);
      bool fits = s.filled;  // a solid within GDI's range: filled lightly, as in the SVG
      for (size_t i = 0; fits && i < ax.size(); ++i)
        fits = std::fabs(ax[i]) < kDeviceLimit && std::fabs(ay[i]) < kDeviceLimit;
      if (fits) {
        std::vector<DevicePoint>& corners = run_;
        corners.clear();
        for (size_t i = 0; i < ax.size(); ++i) corners.push_back({Nearest(ax[i]), Nearest(ay[i])});
        canvas.Polygon(corners.data(), static_cast<int>(corners.size()), colour, fill);
      } else {
        Polyline(canvas, ax.data(), ay.data(), static_cast<int>(ax.size()), colour);
      }
      if (s.inner > 0 && s.inner * scale_ >= 1) {
        ArcPoints(s, s.inner, ax, ay);
        Polyline(canvas, ax.data(), ay.data(), static_cast<int>(ax.size()), colour);
      }
      break;
    }
    case Shape::kMarker:
    case Shape::kBlock: {
      const int32_t index = MarkerShapeOf(s);
      for (const MarkerStroke& stroke : MarkerStrokes(index)) {
        double sx[5], sy[5];
        for (int i = 0; i < stroke.count; ++i) {
          sx[i] = xs[0] + stroke.x[i] * marker_;
          sy[i] = ys[0] + stroke.y[i] * marker_;
        }
        Polyline(canvas, sx, sy, stroke.count, colour);
      }
      pixel(xs[0], ys[0]);
      break;
    }
    case Shape::kPoint:
      break;
  }
}

void ViewModel::PaintResult(Canvas& canvas, double x, double y, const ConversionChoice& choice,
                            Rgb colour) const {
  if (choice.asPoint) {
    // A point shows as a dot a little larger than a pixel, to stand out.
    double px, py;
    ToDevice(x, y, &px, &py);
    if (!(px > -8 && py > -8 && px < width_ + 8 && py < height_ + 8)) return;
    const int32_t cx = static_cast<int32_t>(px + 8) - 8, cy = static_cast<int32_t>(py + 8) - 8;
    const int32_t r = marker_ >= 9 ? 2 : 1;
    for (int32_t dy = -r; dy <= r; ++dy) {
      for (int32_t dx = -r; dx <= r; ++dx) {
        if (cx + dx >= 0 && cy + dy >= 0 && cx + dx < width_ && cy + dy < height_)
          canvas.Pixel(cx + dx, cy + dy, colour);
      }
    }
    return;
  }
  Shape marker{Shape::kMarker};
  marker.n = 1;
  marker.x[0] = x, marker.y[0] = y;
  marker.markerCode = -(std::clamp(choice.markerIndex, 0, 6) + 1);
  PaintFigure(canvas, marker, colour, colour);
}

bool ViewModel::PaintFigures(Canvas& canvas, const Palette& palette, const Overtaken& overtaken,
                             size_t first, size_t end) const {
  const Rgb fill = SolidFill(palette.viewFigure, palette.viewBack);
  std::optional<Shape> last;
  const std::vector<FigureRef>& others = *others_;
  for (size_t i = first; i < std::min(end, others.size()); ++i) {
    if (i % kOvertakenEvery == kOvertakenEvery - 1 && overtaken && overtaken()) return false;
    const Shape shape = ShapeOf(others[i]);
    if (last && *last == shape) continue;  // a figure drawn twice in one place
    PaintFigure(canvas, shape, palette.viewFigure, fill);
    last = shape;
  }
  return true;
}

bool ViewModel::PaintClass(Canvas& canvas, const Palette& palette, const ConversionChoice& choice,
                           FigureClass cls, double above, const Overtaken& overtaken) const {
  const Rgb colour = cls == FigureClass::kConverted ? palette.viewConverted
                     : cls == FigureClass::kKept    ? palette.viewKept
                                                    : palette.viewFigure;
  const Rgb fill = SolidFill(colour, palette.viewBack);
  const std::vector<Candidate>& candidates = *candidates_;
  size_t first = 0, end = candidates.size();
  if (cls == FigureClass::kConverted) {
    // Only the radii up to the limit can be converted.
    if (choice.refused) return true;
    // The first radius above `above` that is not below the lower limit.
    const auto start =
        choice.from > above
            ? std::lower_bound(candidates.begin(), candidates.end(), choice.from,
                               [](const Candidate& c, double from) { return c.radius < from; })
            : std::upper_bound(candidates.begin(), candidates.end(), above, RadiusBelow);
    first = static_cast<size_t>(start - candidates.begin());
    end = static_cast<size_t>(
        std::upper_bound(candidates.begin(), candidates.end(), choice.limit, RadiusBelow) -
        candidates.begin());
  }
  std::optional<Shape> last;
  for (size_t i = first; i < end; ++i) {
    if ((i - first) % kOvertakenEvery == kOvertakenEvery - 1 && overtaken && overtaken())
      return false;
    const FigureRef figure = candidates[i].figure;
    const FigureClass actual = ClassOf(choice, figure);
    // Every candidate of a chosen kind is painted kept first.
    const bool paint = cls == FigureClass::kKept ? actual != FigureClass::kFigure : actual == cls;
    if (!paint) continue;
    const Shape shape = ShapeOf(figure);
    if (last && *last == shape) continue;  // a figure drawn twice in one place
    PaintFigure(canvas, shape, colour, fill);
    if (cls == FigureClass::kConverted) PaintResult(canvas, shape.x[0], shape.y[0], choice, colour);
    last = shape;
  }
  return true;
}

bool ViewModel::PaintKeptCentres(Canvas& canvas, const Palette& palette,
                                 const ConversionChoice& choice, const Overtaken& overtaken) const {
  const std::vector<Candidate>& candidates = *candidates_;
  // Only radii above the limit are kept (all of them when OK would refuse
  // or a lower limit keeps the smallest).
  size_t first = 0;
  if (!choice.refused && !choice.HasFrom()) {
    first = static_cast<size_t>(
        std::upper_bound(candidates.begin(), candidates.end(), choice.limit, RadiusBelow) -
        candidates.begin());
  }
  for (size_t i = first; i < candidates.size(); ++i) {
    if ((i - first) % kOvertakenEvery == kOvertakenEvery - 1 && overtaken && overtaken())
      return false;
    if (ClassOf(choice, candidates[i].figure) != FigureClass::kKept) continue;
    const Shape shape = ShapeOf(candidates[i].figure);
    double x, y;
    ToDevice(shape.x[0], shape.y[0], &x, &y);
    // Inside the view (NaN is not): truncation is the floor there, as for
    // the results.
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
      canvas.Pixel(static_cast<int32_t>(x), static_cast<int32_t>(y), palette.viewKept);
  }
  return true;
}

bool ViewModel::PaintCandidates(Canvas& canvas, const Palette& palette,
                                const ConversionChoice& choice, const Overtaken& overtaken) const {
  for (FigureClass cls : {FigureClass::kFigure, FigureClass::kKept, FigureClass::kConverted}) {
    if (!PaintClass(canvas, palette, choice, cls, -HUGE_VAL, overtaken)) return false;
  }
  return PaintKeptCentres(canvas, palette, choice, overtaken);
}

double ViewModel::DistanceTo(const Shape& s, double px, double py) const {
  double xs[5], ys[5];
  const int n = std::min(s.n, 4);
  for (int i = 0; i < n; ++i) ToDevice(s.x[i], s.y[i], &xs[i], &ys[i]);
  switch (s.kind) {
    case Shape::kSegment:
      return SegmentDistance(px, py, xs[0], ys[0], xs[1], ys[1]);
    case Shape::kPolygon:
    case Shape::kTextBox: {
      if (Inside(xs, ys, n, px, py)) return 0;
      double best = HUGE_VAL;
      for (int i = 0; i < n; ++i) {
        best =
            std::min(best, SegmentDistance(px, py, xs[i], ys[i], xs[(i + 1) % n], ys[(i + 1) % n]));
      }
      return best;
    }
    case Shape::kArc: {
      const Extent e = ExtentOf(s);
      if (e.empty) return HUGE_VAL;
      double l, t, r, b;
      ToDevice(e.minX, e.maxY, &l, &t);
      ToDevice(e.maxX, e.minY, &r, &b);
      if (px < l - 8 || px > r + 8 || py < t - 8 || py > b + 8) return HUGE_VAL;
      if (r - l < 2) return std::hypot(px - xs[0], py - ys[0]);
      std::vector<double>& ax = arcX_;
      std::vector<double>& ay = arcY_;
      ArcPoints(s, s.radius, ax, ay);
      double best = HUGE_VAL;
      for (size_t i = 0; i + 1 < ax.size(); ++i)
        best = std::min(best, SegmentDistance(px, py, ax[i], ay[i], ax[i + 1], ay[i + 1]));
      return best;
    }
    default:
      return std::hypot(px - xs[0], py - ys[0]);
  }
}

std::optional<FigureRef> ViewModel::HitTest(double px, double py, double tolerance,
                                            const ConversionChoice& choice) const {
  std::optional<FigureRef> best;
  double bestDistance = HUGE_VAL;
  for (const Candidate& c : *candidates_) {
    if (ClassOf(choice, c.figure) == FigureClass::kFigure) continue;
    const double d = DistanceTo(ShapeOf(c.figure), px, py);
    if (d <= tolerance && d < bestDistance) best = c.figure, bestDistance = d;
  }
  if (best) return best;
  auto consider = [&](FigureRef f) {
    const double d = DistanceTo(ShapeOf(f), px, py);
    if (d <= tolerance && d < bestDistance) best = f, bestDistance = d;
  };
  for (const Candidate& c : *candidates_) consider(c.figure);
  for (FigureRef f : *others_) consider(f);
  return best;
}

}  // namespace q836
