// The drawing view's model: the loaded figures fitted into a square of
// device pixels (y upwards, aspect kept), zoom and pan, the level of detail,
// the display list each figure becomes, and hit testing. The window only
// paints what it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "view/palette.h"
#include "view/view_figures.h"

namespace q836 {

/// A point of the view in device pixels.
struct DevicePoint {
  int32_t x, y;
};

/// Where the display list goes: the window's bitmap, or a test's raster.
class Canvas {
 public:
  virtual ~Canvas() = default;
  /// One device pixel.
  virtual void Pixel(int32_t x, int32_t y, Rgb colour) = 0;
  /// Connected segments, one device pixel wide.
  virtual void Polyline(const DevicePoint* points, int count, Rgb colour) = 0;
  /// A closed outline filled with `fill`.
  virtual void Polygon(const DevicePoint* points, int count, Rgb outline, Rgb fill) = 0;
  /// Whether a line from `a` to `b` in `colour` would change no pixel of
  /// what is painted so far: the painter leaves such lines out.
  virtual bool Covered(DevicePoint /*a*/, DevicePoint /*b*/, Rgb /*colour*/) { return false; }
  /// Whether every pixel from `topLeft` to `bottomRight` (inclusive) is of
  /// `colour` already: a figure inside changes nothing and is left out.
  virtual bool CoveredBox(DevicePoint /*topLeft*/, DevicePoint /*bottomRight*/, Rgb /*colour*/) {
    return false;
  }
};

/// Asked now and then while painting: true abandons the picture (a newer
/// edit is waiting).
using Overtaken = std::function<bool()>;

/// A rectangle in drawing millimetres.
struct Extent {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  bool empty = true;
  void Add(double x, double y);
};

/// The extent a shape covers.
Extent ExtentOf(const Shape& shape);

/// How far the view zooms out: the fit divided by this.
inline constexpr double kFarthestOut = 10;
/// How deep the view zooms in: device pixels per drawing millimetre.
inline constexpr double kDeepestPixelsPerMm = 1000;

class ViewModel {
 public:
  /// Takes the figures of the loaded drawing: their extent, and the
  /// candidates ordered by radius.
  void Build();
  /// Build in steps, so that a window stays responsive meanwhile: Begin,
  /// then Continue until it returns true, each step taking up to `most`
  /// figures (the last one also orders the candidates).
  void BeginBuild();
  bool ContinueBuild(size_t most);
  /// The view's size in device pixels; `markerSize` is the width of a marker
  /// drawn at a figure's centre (grows with the DPI). Keeps the zoom; the
  /// first call fits.
  void SetSize(int32_t width, int32_t height, int32_t markerSize);
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  /// The whole selection, with a margin of half a marker and more.
  void Fit();
  /// Zooms by `factor` about the device point (px, py), which stays put,
  /// within bounds: out to a tenth of the fit, in to a pixel of a micrometre.
  void ZoomAt(double factor, double px, double py);
  /// Moves the picture by (dx, dy) device pixels.
  void Pan(double dx, double dy);
  /// Device pixels per drawing millimetre.
  double PixelsPerMm() const { return scale_; }
  void ToDevice(double x, double y, double* px, double* py) const {
    *px = (x - originX_) * scale_;
    *py = (originY_ - y) * scale_;
  }
  const Extent& Selection() const { return extent_; }
  size_t FigureCount() const { return figures_; }

  /// Paints the figures no edit changes (none of them a candidate), or
  /// those from `first` to before `end` in the order they are painted;
  /// false when overtaken. Runs painted one over the other, in order, give
  /// the picture of the whole.
  bool PaintFigures(Canvas& canvas, const Palette& palette, const Overtaken& overtaken,
                    size_t first = 0, size_t end = SIZE_MAX) const;
  /// How many figures PaintFigures paints.
  size_t UnchangingFigures() const { return others_->size(); }
  /// Paints the candidates of one class under `choice`: kFigure those of
  /// kinds not chosen; kKept every candidate of a chosen kind (those OK
  /// converts are painted over it); kConverted those OK converts with a
  /// radius above `above`, each with the point or marker it becomes at its
  /// centre. Candidates are ordered by radius: a larger limit paints only
  /// the figures it adds.
  bool PaintClass(Canvas& canvas, const Palette& palette, const ConversionChoice& choice,
                  FigureClass cls, double above, const Overtaken& overtaken) const;
  /// Marks the centre of every candidate OK keeps with one pixel of the
  /// kept colour, over everything: a dense picture full of converted
  /// figures still shows where kept ones are. A converted figure's result
  /// covers its own centre, so a larger limit needs no new marks.
  bool PaintKeptCentres(Canvas& canvas, const Palette& palette, const ConversionChoice& choice,
                        const Overtaken& overtaken) const;
  /// Paints every candidate in its class: the three classes in turn, the
  /// converted ones last, so that nothing hides a figure OK converts; then
  /// the kept ones' centres.
  bool PaintCandidates(Canvas& canvas, const Palette& palette, const ConversionChoice& choice,
                       const Overtaken& overtaken) const;
  /// The figure nearest to (px, py) within `tolerance` device pixels; a
  /// candidate of a chosen kind wins over any other figure.
  std::optional<FigureRef> HitTest(double px, double py, double tolerance,
                                   const ConversionChoice& choice) const;

  /// Paints one figure (for tests and the painters above).
  void PaintFigure(Canvas& canvas, const Shape& shape, Rgb colour, Rgb fill) const;
  /// Paints what a converted figure becomes at (x, y) drawing millimetres.
  void PaintResult(Canvas& canvas, double x, double y, const ConversionChoice& choice,
                   Rgb colour) const;

 private:
  struct Candidate {
    double radius;
    FigureRef figure;
  };
  // The order of the candidates for a search by radius: NaN radii, sorted
  // last, count as above every limit.
  static bool RadiusBelow(double radius, const Candidate& c) {
    return radius < c.radius || c.radius != c.radius;
  }
  double DistanceTo(const Shape& shape, double px, double py) const;
  double FitScale(double* cx, double* cy) const;
  void Polyline(Canvas& canvas, const double* xs, const double* ys, int n, Rgb colour) const;
  void ArcPoints(const Shape& s, double radius, std::vector<double>& xs,
                 std::vector<double>& ys) const;

  Extent extent_;
  size_t figures_ = 0;
  size_t table_ = kFigureTables;  // where a build in steps goes on
  int32_t row_ = 0;
  // The lists, shared by copies of the model: each copy paints with
  // scratch storage of its own, so that copies can paint at once on
  // several threads.
  std::shared_ptr<std::vector<FigureRef>> others_ =
      std::make_shared<std::vector<FigureRef>>();  // figures that are no candidate
  std::shared_ptr<std::vector<Candidate>> candidates_ =
      std::make_shared<std::vector<Candidate>>();  // ascending radius (NaN last)
  int32_t width_ = 0, height_ = 0, marker_ = 7;
  bool fitted_ = false;
  double scale_ = 1, originX_ = 0, originY_ = 0;
  // Scratch storage of the painter, so that painting a figure allocates nothing.
  mutable std::vector<DevicePoint> run_;
  mutable std::vector<double> arcX_, arcY_;
};

/// The marker shapes' outlines, as strokes in a unit square centred on the
/// marker (x right, y down); `index` as in kMarkerShapes.
struct MarkerStroke {
  int count;
  double x[5], y[5];
};
std::vector<MarkerStroke> MarkerStrokes(int32_t index);

/// The marker shape (as in kMarkerShapes) a marker or block insertion is
/// drawn with: a marker's own, ＋ for a code of no shape, × for a block.
int32_t MarkerShapeOf(const Shape& shape);

}  // namespace q836
