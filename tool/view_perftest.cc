// Times the drawing view's model on drawings of 100 000 and 1 000 000
// figures (half of them candidates of the five kinds, all chosen): building
// the model once after loading, painting the figures no edit changes, and
// every candidate in its class, and the converted figures each edit of the
// radius paints over the kept picture, into a 404-pixel square. Prints
// medians in milliseconds.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "exchange/drawing.h"
#include "tool/headless_host.h"
#include "tool/view_model.h"

namespace {

struct NoKey : q836::EscapeKey {
  bool IsDown() override { return false; }
};

// Pixels into memory, lines stepped pixel by pixel: a canvas as cheap as
// the window's bitmap.
class Memory : public q836::Canvas {
 public:
  explicit Memory(int size) : size_(size), pixels_(static_cast<size_t>(size) * size) {}
  void Pixel(int32_t x, int32_t y, q836::Rgb c) override { Set(x, y, c); }
  void Polyline(const q836::DevicePoint* p, int n, q836::Rgb c) override {
    for (int i = 0; i + 1 < n; ++i) {
      const int steps = std::max(std::abs(p[i + 1].x - p[i].x), std::abs(p[i + 1].y - p[i].y));
      for (int s = 0; s <= steps; ++s) {
        Set(p[i].x + (steps ? (p[i + 1].x - p[i].x) * s / steps : 0),
            p[i].y + (steps ? (p[i + 1].y - p[i].y) * s / steps : 0), c);
      }
    }
  }
  void Polygon(const q836::DevicePoint* p, int n, q836::Rgb c, q836::Rgb) override {
    Polyline(p, n, c);
  }

 private:
  void Set(int32_t x, int32_t y, q836::Rgb c) {
    if (x >= 0 && y >= 0 && x < size_ && y < size_)
      pixels_[static_cast<size_t>(y) * size_ + x] = c.r;
  }
  int size_;
  std::vector<uint8_t> pixels_;
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
  for (int32_t figures : {100000, 1000000}) {
    q836::InitDrawingTables();
    std::mt19937 random(1);
    std::uniform_real_distribution<double> place(0.0, 10000.0), radius(0.0, 10.0);
    // A host-like mix: lines, then circles and arcs, then solids.
    for (int32_t i = 0; i < figures / 2; ++i) {
      q836::TJwwEntLine& l = q836::AppendEntry(q836::Lines, q836::LineCount);
      l.X1 = place(random), l.Y1 = place(random);
      l.X2 = l.X1 + radius(random) * 10, l.Y2 = l.Y1 + radius(random) * 10;
    }
    for (int32_t i = 0; i < figures / 4; ++i) {
      q836::TJwwEntCircle& c = q836::AppendEntry(q836::Circles, q836::CircleCount);
      c.X = place(random), c.Y = place(random), c.Radius = radius(random);
    }
    for (int32_t i = 0; i < figures / 4; ++i) {
      q836::TJwwEntArc& a = q836::AppendEntry(q836::Arcs, q836::ArcCount);
      a.X = place(random), a.Y = place(random), a.Radius = radius(random);
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
    // Every candidate in its class, as after a change of the chosen kinds;
    // then an edit of the radius, which paints the converted ones over the
    // kept picture.
    std::vector<double> all, edit;
    for (int run = 0; run < 21; ++run) {
      host.SetText(q836::Control::Edit1, std::to_string(run * 0.5));
      const q836::ConversionChoice choice = q836::ChoiceFromControls(host);
      auto start = std::chrono::steady_clock::now();
      model.PaintCandidates(canvas, palette, choice, nullptr);
      all.push_back(Since(start));
      start = std::chrono::steady_clock::now();
      model.PaintClass(canvas, palette, choice, q836::FigureClass::kConverted, -HUGE_VAL, nullptr);
      edit.push_back(Since(start));
    }
    std::sort(all.begin(), all.end());
    std::sort(edit.begin(), edit.end());
    std::printf(
        "view of %d figures: model built in %.1f ms, figures painted in %.1f ms; candidates "
        "painted in %.1f ms; per edit of the radius median %.1f ms, worst %.1f ms\n",
        figures, buildMs, figuresMs, all[all.size() / 2], edit[edit.size() / 2], edit.back());
    q836::FreeDrawingTables();
  }
  return 0;
}
