// Times the drawing view's model on drawings of 100 000 and 1 000 000
// figures (half of them candidates of the five kinds, all chosen), local
// figures and a dense drawing whose lines cross the whole of it: building
// the model once after loading, painting the figures no edit changes, the
// candidates of the kept picture, and the converted figures each edit of
// the radius paints over it, into a 404-pixel square whose full parts
// leave lines out as the window's do. Prints medians in milliseconds.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "exchange/drawing.h"
#include "tool/headless_host.h"
#include "view/coverage.h"
#include "view/view_model.h"

namespace {

struct NoKey : q836::EscapeKey {
  bool IsDown() override { return false; }
};

// Pixels into memory, lines stepped pixel by pixel, lines the picture
// already holds left out: a canvas as cheap as the window's bitmap.
class Memory : public q836::Canvas {
 public:
  explicit Memory(int size) : size_(size), pixels_(static_cast<size_t>(size) * size) {
    coverage_.Reset(size, size);
  }
  void Pixel(int32_t x, int32_t y, q836::Rgb c) override { Set(x, y, c); }
  void Polyline(const q836::DevicePoint* p, int n, q836::Rgb c) override {
    for (int i = 0; i + 1 < n; ++i) {
      const int steps = std::max(std::abs(p[i + 1].x - p[i].x), std::abs(p[i + 1].y - p[i].y));
      stepped_ += steps + 1;
      for (int s = 0; s <= steps; ++s) {
        Set(p[i].x + (steps ? (p[i + 1].x - p[i].x) * s / steps : 0),
            p[i].y + (steps ? (p[i + 1].y - p[i].y) * s / steps : 0), c);
      }
    }
  }
  void Polygon(const q836::DevicePoint* p, int n, q836::Rgb c, q836::Rgb) override {
    Polyline(p, n, c);
  }
  bool Covered(q836::DevicePoint a, q836::DevicePoint b, q836::Rgb c) override {
    return For(c).Covers(a, b);
  }
  bool CoveredBox(q836::DevicePoint a, q836::DevicePoint b, q836::Rgb c) override {
    return For(c).CoversBox(a, b);
  }

 private:
  static uint32_t Pack(q836::Rgb c) { return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b; }
  // Scanned again at a change of colour and after every 64 000 pixels.
  q836::Coverage& For(q836::Rgb c) {
    if (Pack(c) != scanned_ || stepped_ - scannedAt_ > 64000) {
      coverage_.Scan(pixels_.data(), Pack(c));
      scanned_ = Pack(c), scannedAt_ = stepped_;
    }
    return coverage_;
  }
  void Set(int32_t x, int32_t y, q836::Rgb c) {
    if (x < 0 || y < 0 || x >= size_ || y >= size_) return;
    pixels_[static_cast<size_t>(y) * size_ + x] = Pack(c);
    if (Pack(c) != scanned_) coverage_.Unmark(x, y, x, y);
  }
  int size_;
  std::vector<uint32_t> pixels_;
  q836::Coverage coverage_;
  uint32_t scanned_ = 0xFF000000u;
  int64_t stepped_ = 0, scannedAt_ = 0;
};

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main() {
  NoKey key;
  q836::HeadlessHost host("q836.exe", key);
  for (q836::Control c :
       {q836::Control::CheckBox1, q836::Control::CheckBox2, q836::Control::CheckBox3,
        q836::Control::CheckBox4, q836::Control::CheckBox5, q836::Control::RadioButton1}) {
    host.SetChecked(c, true);
  }
  q836::SystemColours system;
  system.window = system.buttonFace = {255, 255, 255};
  const q836::Palette palette = q836::ChoosePalette(system);
  struct Case {
    int32_t figures;
    double reach;  // how far a figure reaches, as a share of the drawing
    const char* name;
  };
  for (const Case& test :
       {Case{100000, 0.01, "local"}, Case{1000000, 0.01, "local"}, Case{1000000, 1.0, "dense"}}) {
    const int32_t figures = test.figures;
    q836::InitDrawingTables();
    std::mt19937 random(1);
    std::uniform_real_distribution<double> place(0.0, 10000.0), radius(0.0, 10.0);
    std::uniform_real_distribution<double> reach(-5000 * test.reach, 5000 * test.reach);
    // A host-like mix: lines, then circles and arcs, then solids. In the
    // dense drawing the lines cross the whole of it and the circles reach
    // a tenth of it, as make_drawing's do.
    for (int32_t i = 0; i < figures / 2; ++i) {
      q836::TJwwEntLine& l = q836::AppendEntry(q836::Lines, q836::LineCount);
      l.X1 = place(random), l.Y1 = place(random);
      l.X2 = l.X1 + reach(random), l.Y2 = l.Y1 + reach(random);
    }
    for (int32_t i = 0; i < figures / 4; ++i) {
      q836::TJwwEntCircle& c = q836::AppendEntry(q836::Circles, q836::CircleCount);
      c.X = place(random), c.Y = place(random), c.Radius = radius(random) * test.reach * 100;
    }
    for (int32_t i = 0; i < figures / 4; ++i) {
      q836::TJwwEntArc& a = q836::AppendEntry(q836::Arcs, q836::ArcCount);
      a.X = place(random), a.Y = place(random), a.Radius = radius(random) * test.reach * 100;
      a.P4 = 1, a.P5 = 0, a.P6 = 3, a.P7 = 0;
    }
    const auto built = std::chrono::steady_clock::now();
    q836::ViewModel model;
    model.Build();
    model.SetSize(404, 404, 7);
    const double buildMs = Since(built);
    Memory canvas(404);
    const auto figuresStart = std::chrono::steady_clock::now();
    model.PaintFigures(canvas, palette, nullptr);
    const double figuresMs = Since(figuresStart);
    // The kept picture, every candidate over the figures, as after a change
    // of the chosen kinds; then an edit of the radius, which paints the
    // converted ones over a copy of it. Each from a fresh copy, as in the
    // window.
    std::vector<double> all, edit;
    for (int run = 0; run < 21; ++run) {
      host.SetText(q836::Control::Edit1, std::to_string(run * 0.5));
      const q836::ConversionChoice choice = q836::ChoiceFromControls(host);
      Memory kept = canvas;
      auto start = std::chrono::steady_clock::now();
      model.PaintClass(kept, palette, choice, q836::FigureClass::kFigure, 0, nullptr);
      model.PaintClass(kept, palette, choice, q836::FigureClass::kKept, 0, nullptr);
      all.push_back(Since(start));
      Memory frame = kept;
      start = std::chrono::steady_clock::now();
      model.PaintClass(frame, palette, choice, q836::FigureClass::kConverted, -HUGE_VAL, nullptr);
      edit.push_back(Since(start));
    }
    std::sort(all.begin(), all.end());
    std::sort(edit.begin(), edit.end());
    std::printf(
        "view of %d figures (%s): model built in %.1f ms, figures painted in %.1f ms; candidates "
        "(the kept picture) painted in %.1f ms; per edit of the radius median %.1f ms, worst %.1f "
        "ms\n",
        figures, test.name, buildMs, figuresMs, all[all.size() / 2], edit[edit.size() / 2],
        edit.back());
    q836::FreeDrawingTables();
  }
  return 0;
}
