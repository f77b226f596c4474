#include "view/view_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "exchange/drawing.h"
#include "exchange/line_builder.h"
#include "tests/memory_file_system.h"
#include "text/text_convert.h"
#include "tool/convert_table.h"
#include "tool/form1.h"
#include "tool/headless_host.h"
#include "view/coverage.h"
#include "view/pick_history.h"
#include "view/view_svg.h"

namespace q836 {
namespace {

const char kExchange[] = "C:\\CAD\\JWC_TEMP.TXT";

struct NoKey : EscapeKey {
  bool IsDown() override { return false; }
};

// A raster the display list is painted into, one colour per pixel.
class Raster : public Canvas {
 public:
  Raster(int32_t width, int32_t height)
      : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height) {}
  void Pixel(int32_t x, int32_t y, Rgb colour) override {
    ASSERT_TRUE(x >= 0 && y >= 0 && x < width_ && y < height_) << x << "," << y;
    Set(x, y, colour);
  }
  void Polyline(const DevicePoint* p, int count, Rgb colour) override {
    for (int i = 0; i + 1 < count; ++i) Line(p[i], p[i + 1], colour);
  }
  // With culling on, lines the picture already holds are left out, as in
  // the window: the picture is scanned at each change of colour and every
  // few lines.
  bool Covered(DevicePoint a, DevicePoint b, Rgb colour) override {
    return cull_ && CoverageFor(colour).Covers(a, b);
  }
  bool CoveredBox(DevicePoint topLeft, DevicePoint bottomRight, Rgb colour) override {
    return cull_ && CoverageFor(colour).CoversBox(topLeft, bottomRight);
  }
  Coverage& CoverageFor(Rgb colour) {
    if (!(colour == scanned_) || stepped_ - scannedAt_ >= 1024) {
      std::vector<uint32_t> packed(pixels_.size());
      for (size_t i = 0; i < packed.size(); ++i) packed[i] = Pack(pixels_[i]);
      coverage_.Scan(packed.data(), Pack(colour));
      scanned_ = colour, scannedAt_ = stepped_;
    }
    return coverage_;
  }
  void Cull() {
    cull_ = true;
    coverage_.Reset(width_, height_);
  }
  /// The pixels lines have stepped over.
  int64_t Stepped() const { return stepped_; }
  // Filled as GDI does by default: a pixel whose centre a ray from it
  // crosses the outline an odd number of times; then the outline.
  void Polygon(const DevicePoint* p, int count, Rgb outline, Rgb fill) override {
    for (int32_t y = 0; y < height_; ++y) {
      for (int32_t x = 0; x < width_; ++x) {
        bool inside = false;
        for (int i = 0, j = count - 1; i < count; j = i++) {
          if ((p[i].y > y) != (p[j].y > y) &&
              x < (p[j].x - p[i].x) * double(y - p[i].y) / (p[j].y - p[i].y) + p[i].x) {
            inside = !inside;
          }
        }
        if (inside) Set(x, y, fill);
      }
    }
    for (int i = 0; i < count; ++i) Line(p[i], p[(i + 1) % count], outline);
  }
  Rgb At(int32_t x, int32_t y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  const std::vector<Rgb>& Pixels() const { return pixels_; }
  // Whether `colour` is at a pixel of the rectangle (inclusive, clipped).
  bool Any(double left, double top, double right, double bottom, Rgb colour) const {
    for (int32_t y = std::max(0, int32_t(std::floor(top)) - 1);
         y <= std::min(height_ - 1, int32_t(std::ceil(bottom)) + 1); ++y) {
      for (int32_t x = std::max(0, int32_t(std::floor(left)) - 1);
           x <= std::min(width_ - 1, int32_t(std::ceil(right)) + 1); ++x) {
        if (At(x, y) == colour) return true;
      }
    }
    return false;
  }

 private:
  void Line(DevicePoint a, DevicePoint b, Rgb colour) {
    // The segment may reach a pixel past the view (the painter clips with
    // a pixel to spare); only those inside are kept.
    const int steps = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
    stepped_ += steps + 1;
    for (int i = 0; i <= steps; ++i) {
      const int32_t x = a.x + (steps ? (b.x - a.x) * i / steps : 0);
      const int32_t y = a.y + (steps ? (b.y - a.y) * i / steps : 0);
      if (x >= 0 && y >= 0 && x < width_ && y < height_) Set(x, y, colour);
    }
  }
  void Set(int32_t x, int32_t y, Rgb colour) {
    pixels_[static_cast<size_t>(y) * width_ + x] = colour;
    if (!(colour == scanned_)) coverage_.Unmark(x, y, x, y);
  }
  static uint32_t Pack(Rgb c) { return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b; }
  int32_t width_, height_;
  std::vector<Rgb> pixels_;
  bool cull_ = false;
  Coverage coverage_;
  Rgb scanned_ = {1, 2, 3};
  int64_t stepped_ = 0, scannedAt_ = 0;
};

Palette Designed() {
  SystemColours system;
  system.window = system.buttonFace = {255, 255, 255};
  return ChoosePalette(system);
}

class ViewModelTest : public ::testing::Test {
 protected:
  ViewModelTest() : host("C:\\CAD\\q836.exe", key, fs), form(host) {}

  void Show(const std::string& exchange) {
    fs.files[kExchange] = exchange;
    form.PathOverride = RunPaths{kExchange, kExchange, ""};
    form.FormShow();
  }
  void Choose(const std::array<bool, kCandidateKinds>& kinds, const std::string& radius,
              bool points = true) {
    const Control boxes[] = {Control::CheckBox1, Control::CheckBox2, Control::CheckBox3,
                             Control::CheckBox4, Control::CheckBox5};
    for (int k = 0; k < kCandidateKinds; ++k) host.SetChecked(boxes[k], kinds[k]);
    host.SetText(Control::Edit1, radius);
    SetRadioGroupButton(host, points ? Control::RadioButton1 : Control::RadioButton2, true);
  }

  MemoryFileSystem fs;
  NoKey key;
  HeadlessHost host;
  TForm1 form;
};

// A selection as a host writes it: every kind of figure, each candidate at
// its own place, radii on both sides of the limits tried, equal radii, and
// radii that differ from a limit in the last digit.
std::string GeneratedDrawing(uint32_t seed, int figures) {
  std::mt19937 random(seed);
  const char* radii[] = {"0.05",
                         "0.1",
                         "0.1000000000000001",
                         "0.09999999999999999",
                         "1",
                         "2.5",
                         "1e-7",
                         "100000001",
                         "5",
                         "0.02",
                         "3.3333333333333335",
                         "0"};
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
  std::string text = "lg0\r\nly1\r\n";
  for (int i = 0; i < figures; ++i) {
    const std::string x = std::to_string(i * 7 % 1000) + "." + std::to_string(i % 10);
    const std::string y = std::to_string(i / 100) + ".25";
    const std::string r = radii[pick(12)];
    switch (pick(12)) {
      case 0:
        text += "ci " + x + " " + y + " " + r + "\r\n";
        break;
      case 1:
        text += "ci " + x + " " + y + " " + r + " 0.5 0.3 2.9 0.7\r\n";
        break;
      case 2:
        text += "sc " + x + " " + y + " " + r + " 1 0 6.28318530717959 0 0\r\n";
        break;
      case 3:
        text += "se " + x + " " + y + " " + r + " 1 0 3.14159265358979 0 100\r\n";
        break;
      case 4:
        text += "so " + x + " " + y + " " + r + " 1 0 6.28318530717959 0 0.01\r\n";
        break;
      case 5:
        text += "sg " + x + " " + y + " " + r + " 1 1 5 0 0.01\r\n";
        break;
      case 6:
        text += x + " " + y + " " + std::to_string(pick(900)) + " -3\r\n";
        break;
      case 7:
        text += "pt " + x + " " + y + "\r\n";
        break;
      case 8:
        text += "pt " + x + " " + y + " 1 0 -" + std::to_string(1 + pick(7)) + "\r\n";
        break;
      case 9:
        text += "ch " + x + " " + y + " 1 0 \"abc\r\n";
        break;
      case 10:
        text += "sl " + x + " " + y + " 3 4 5 " + y + "\r\n";
        break;
      default:
        text += "ci " + x + " " + y + " " + r + " 1 0 1.5 0\r\n";
        break;
    }
  }
  return text;
}

// The class of every figure is the conversion's own decision: the figures
// marked converted are exactly those OK turns into points, each result at
// the place OK writes; the kept ones are written back as they were.
TEST_F(ViewModelTest, EveryFigureIsMarkedAsOkTreatsIt) {
  const struct {
    std::array<bool, kCandidateKinds> kinds;
    const char* radius;
    bool points;
    const char* from = "";  // the lower limit
    bool keep = false;
  } cases[] = {
      {{true, true, false, false, false}, "0.1", true},
      {{true, true, true, true, true}, "0.1", false},
      {{false, false, true, true, true}, "2.5", true},
      {{true, false, false, false, true}, "0.09999999999999999", true},
      {{true, true, true, true, true}, "abc", true},  // OK takes 0.000001
      {{true, true, true, true, true}, "1e9", false},
      {{false, false, false, false, false}, "5", true},
      {{true, true, true, true, true}, "1e400", true},  // OK refuses
      {{true, true, true, true, true}, "1", true, "0.3"},
      {{true, true, true, true, true}, "0.5", false, "0.5", true},
      {{true, true, false, false, true}, "2", true, "-1", true},
      {{true, true, true, true, true}, "1", true, "x"},  // OK refuses
  };
  int checked = 0;
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    for (const auto& c : cases) {
      TForm1 run(host);
      fs.files[kExchange] = GeneratedDrawing(seed, 3000);
      run.PathOverride = RunPaths{kExchange, kExchange, ""};
      run.FormShow();
      Choose(c.kinds, c.radius, c.points);
      host.SetText(Control::Edit3, c.from);
      host.SetChecked(Control::CheckBox6, c.keep);
      const ConversionChoice choice = ChoiceFromControls(host);
      std::vector<std::string> expected;
      int kept = 0;
      ForEachFigure([&](FigureRef f, const Shape& s) {
        ++checked;
        const FigureClass cls = ClassOf(choice, f);
        if (cls == FigureClass::kConverted) {
          expected.emplace_back(LineBuilder().Add("pt ").Real(s.x[0]).SpaceReal(s.y[0]).View());
        }
        kept += cls == FigureClass::kKept;
      });
      run.Button1Click();
      if (std::string(c.radius) == "1e400" || std::string(c.from) == "x") {
        EXPECT_TRUE(run.Refused());
        EXPECT_TRUE(expected.empty());
        continue;
      }
      // The points OK wrote: those after the last figure it kept as it was.
      const std::string& out = fs.files[kExchange];
      std::vector<std::string> written;
      for (size_t at = 0; (at = out.find("\r\npt ", at)) != std::string::npos;) {
        at += 2;
        const size_t end = out.find("\r\n", at);
        std::string line = out.substr(at, end - at);
        if (!c.points)
          line = line.substr(0, line.rfind(' ', line.rfind(' ', line.rfind(' ') - 1) - 1));
        written.push_back(line);
      }
      ASSERT_GE(written.size(), expected.size()) << c.radius;
      written.erase(written.begin(), written.end() - static_cast<ptrdiff_t>(expected.size()));
      EXPECT_EQ(written, expected) << seed << " " << c.radius;
      if (!c.kinds[0] && !c.kinds[1] && !c.kinds[2] && !c.kinds[3] && !c.kinds[4]) {
        EXPECT_EQ(kept, 0);
      }
    }
  }
  EXPECT_EQ(checked, 3 * static_cast<int>(std::size(cases)) * 3000);
}

// At fit zoom every converted figure shows in the converted colour, however
// small, and nothing is painted outside the view.
TEST_F(ViewModelTest, EveryConvertedFigureIsVisibleAtFitZoom) {
  Show(GeneratedDrawing(7, 5000));
  Choose({true, true, true, true, true}, "1");
  const Palette palette = Designed();
  for (const auto& [size, from] : {std::pair{60, ""}, {404, ""}, {808, ""}, {404, "0.3"}}) {
    host.SetText(Control::Edit3, from);
    const ConversionChoice choice = ChoiceFromControls(host);
    ViewModel model;
    model.Build();
    model.SetSize(size, size, 7);
    Raster raster(size, size);
    ASSERT_TRUE(model.PaintFigures(raster, palette, nullptr));
    ASSERT_TRUE(model.PaintCandidates(raster, palette, choice, nullptr));
    int converted = 0;
    ForEachFigure([&](FigureRef f, const Shape& s) {
      if (ClassOf(choice, f) != FigureClass::kConverted) return;
      ++converted;
      const Extent e = ExtentOf(s);
      double l, t, r, b;
      model.ToDevice(e.minX, e.maxY, &l, &t);
      model.ToDevice(e.maxX, e.minY, &r, &b);
      EXPECT_TRUE(raster.Any(l, t, r, b, palette.viewConverted)) << size << " " << f.kind;
    });
    EXPECT_GT(converted, 100);
    // Built in small steps, as the window does, the model paints the same.
    ViewModel stepped;
    stepped.BeginBuild();
    int steps = 1;
    while (!stepped.ContinueBuild(333)) ++steps;
    EXPECT_EQ(steps, (5000 + 332) / 333);
    stepped.SetSize(size, size, 7);
    Raster again(size, size);
    stepped.PaintFigures(again, palette, nullptr);
    stepped.PaintCandidates(again, palette, choice, nullptr);
    EXPECT_TRUE(again.Pixels() == raster.Pixels()) << size;
    // A larger limit paints only what it adds over the frame of the smaller.
    if (*from) {
      ConversionChoice smaller = choice;
      smaller.limit = 0.5;
      Raster step(size, size);
      stepped.PaintFigures(step, palette, nullptr);
      stepped.PaintCandidates(step, palette, smaller, nullptr);
      stepped.PaintClass(step, palette, choice, FigureClass::kConverted, 0.5, nullptr);
      Raster whole(size, size);
      stepped.PaintFigures(whole, palette, nullptr);
      stepped.PaintCandidates(whole, palette, smaller, nullptr);
      stepped.PaintClass(whole, palette, choice, FigureClass::kConverted, -HUGE_VAL, nullptr);
      EXPECT_TRUE(step.Pixels() == whole.Pixels());
    }
  }
}

// Lines left out because the picture already holds them change no pixel:
// dense drawings of long lines and circles over every class, culled and
// not, give the same raster, with the lines costing less than half the
// pixels where the picture fills up.
TEST_F(ViewModelTest, LinesThePictureHoldsAreLeftOutUnchanged) {
  struct Case {
    int lines, circles, size;
    bool fillsUp;
  } cases[] = {{0, 0, 40, false},
               {50, 20, 200, false},
               {3000, 0, 60, false},
               {20000, 4000, 120, true},
               {40000, 10000, 203, true}};
  for (const Case& c : cases) {
    std::mt19937 random(static_cast<uint32_t>(c.lines + c.size));
    std::uniform_int_distribution<int> place(-5000, 5000), radius(1, 900);
    std::string text;
    for (int i = 0; i < c.lines; ++i) {
      text += std::to_string(place(random)) + " " + std::to_string(place(random)) + " " +
              std::to_string(place(random)) + " " + std::to_string(place(random)) + "\r\n";
    }
    for (int i = 0; i < c.circles; ++i) {
      text += "ci " + std::to_string(place(random)) + " " + std::to_string(place(random)) + " " +
              std::to_string(radius(random)) + (i % 3 ? "\r\n" : " 1 0 1 4\r\n");
    }
    Show(text);
    Choose({true, true, false, false, false}, "450");
    const ConversionChoice choice = ChoiceFromControls(host);
    const Palette palette = Designed();
    ViewModel model;
    model.Build();
    model.SetSize(c.size, c.size, 7);
    Raster plain(c.size, c.size), culled(c.size, c.size);
    culled.Cull();
    int64_t plainFigures = 0, culledFigures = 0;  // pixels stepped for the lines
    for (Raster* r : {&plain, &culled}) {
      ASSERT_TRUE(model.PaintFigures(*r, palette, nullptr));
      (r == &plain ? plainFigures : culledFigures) = r->Stepped();
      ASSERT_TRUE(model.PaintCandidates(*r, palette, choice, nullptr));
    }
    EXPECT_TRUE(culled.Pixels() == plain.Pixels()) << c.lines << " " << c.size;
    if (c.fillsUp) {
      EXPECT_LT(culledFigures * 2, plainFigures) << c.lines << " " << c.size;
    } else {
      EXPECT_LE(culledFigures, plainFigures) << c.lines << " " << c.size;
    }
    EXPECT_LE(culled.Stepped() - culledFigures, plain.Stepped() - plainFigures);
  }
}

// A line is covered only where every pixel within a pixel of it lies in a
// full tile or outside the picture: random pictures with some tiles full,
// random lines, partly outside, checked pixel by pixel.
TEST(CoverageTest, CoversOnlyLinesInFullTiles) {
  std::mt19937 random(5);
  int covered = 0;
  for (const int32_t size : {8, 21, 64, 101}) {
    const int32_t tiles = (size + Coverage::kTile - 1) / Coverage::kTile;
    for (int picture = 0; picture < 40; ++picture) {
      std::vector<uint32_t> pixels(static_cast<size_t>(size) * size, 0);
      for (int32_t ty = 0; ty < tiles; ++ty) {
        for (int32_t tx = 0; tx < tiles; ++tx) {
          if (random() % 4 == 0) continue;  // this tile stays mixed
          for (int32_t y = ty * 8; y < std::min(size, ty * 8 + 8); ++y) {
            for (int32_t x = tx * 8; x < std::min(size, tx * 8 + 8); ++x)
              pixels[static_cast<size_t>(y) * size + x] = 7;
          }
        }
      }
      pixels[random() % pixels.size()] = 0;  // one pixel of another colour
      Coverage coverage;
      coverage.Reset(size, size);
      coverage.Scan(pixels.data(), 7);
      coverage.Covers({0, 0}, {size, size});  // tiles counted before some are painted over
      for (int later = 0; later < (picture % 2 ? 3 : 40); ++later) {
        const int32_t x = static_cast<int32_t>(random() % static_cast<uint32_t>(size));
        const int32_t y = static_cast<int32_t>(random() % static_cast<uint32_t>(size));
        pixels[static_cast<size_t>(y) * size + x] = 0;
        coverage.Unmark(x, y, x, y);
      }
      std::uniform_int_distribution<int32_t> place(-3, size + 2);
      for (int box = 0; box < 100; ++box) {
        DevicePoint a{place(random), place(random)}, b{place(random), place(random)};
        if (box % 2) b = {a.x + b.x % 9, a.y + b.y % 9};  // small ones, as most curves are
        if (a.x > b.x) std::swap(a.x, b.x);
        if (a.y > b.y) std::swap(a.y, b.y);
        if (!coverage.CoversBox(a, b)) continue;
        ++covered;
        for (int32_t y = std::max(0, a.y - 1); y <= std::min(size - 1, b.y + 1); ++y) {
          for (int32_t x = std::max(0, a.x - 1); x <= std::min(size - 1, b.x + 1); ++x)
            ASSERT_EQ(pixels[static_cast<size_t>(y) * size + x], 7u) << size << " box";
        }
      }
      for (int line = 0; line < 200; ++line) {
        const DevicePoint a{place(random), place(random)};
        const DevicePoint b = line % 4 == 0 ? a : DevicePoint{place(random), place(random)};
        if (!coverage.Covers(a, b)) continue;
        ++covered;
        const int steps = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
        for (int i = 0; i <= steps; ++i) {
          const double x = a.x + (steps ? (b.x - a.x) * double(i) / steps : 0);
          const double y = a.y + (steps ? (b.y - a.y) * double(i) / steps : 0);
          for (int32_t py = int32_t(std::floor(y)) - 1; py <= int32_t(std::ceil(y)) + 1; ++py) {
            for (int32_t px = int32_t(std::floor(x)) - 1; px <= int32_t(std::ceil(x)) + 1; ++px) {
              if (px < 0 || py < 0 || px >= size || py >= size) continue;
              if (std::abs(px - x) >= 1 || std::abs(py - y) >= 1) continue;
              ASSERT_EQ(pixels[static_cast<size_t>(py) * size + px], 7u)
                  << size << ": " << a.x << "," << a.y << " " << b.x << "," << b.y;
            }
          }
        }
      }
    }
  }
  EXPECT_GT(covered, 700);
}

// Zoom keeps the point under the cursor, pan moves by pixels, fit shows the
// whole selection inside the margin, with y upwards.
TEST_F(ViewModelTest, ZoomPanAndFit) {
  Show("0 0 100 50\r\n");
  ViewModel model;
  model.Build();
  model.SetSize(216, 216, 7);
  double x, y;
  model.ToDevice(0, 0, &x, &y);
  EXPECT_NEAR(x, 8, 1e-9);
  EXPECT_NEAR(y, 108 + 50, 1e-9);  // the selection centred, y upwards
  model.ToDevice(100, 50, &x, &y);
  EXPECT_NEAR(x, 208, 1e-9);
  model.ZoomAt(4, 30, 40);
  double before[2];
  model.ToDevice(0, 0, &before[0], &before[1]);
  model.ZoomAt(1.25, 30, 40);
  model.ZoomAt(0.8, 30, 40);
  model.ToDevice(0, 0, &x, &y);
  EXPECT_NEAR(x, before[0], 1e-6);
  EXPECT_NEAR(y, before[1], 1e-6);
  model.Pan(10, -5);
  model.ToDevice(0, 0, &x, &y);
  EXPECT_NEAR(x, before[0] + 10, 1e-6);
  EXPECT_NEAR(y, before[1] - 5, 1e-6);
  model.Fit();
  model.ToDevice(100, 50, &x, &y);
  EXPECT_NEAR(x, 208, 1e-9);
  // A larger view keeps the same part of the drawing in its middle.
  model.ZoomAt(2, 0, 0);
  model.ToDevice(50, 25, &before[0], &before[1]);
  model.SetSize(432, 432, 14);
  model.ToDevice(50, 25, &x, &y);
  EXPECT_NEAR(x - 216, (before[0] - 108) * 2, 1e-6);
  EXPECT_NEAR(y - 216, (before[1] - 108) * 2, 1e-6);
  // Zooming is bounded both ways: out to a tenth of the fit, in to a pixel
  // of a micrometre (or the fit itself, for a selection tinier than that).
  const struct {
    const char* drawing;
    double factor, most, least;
  } bounds[] = {
      {"0 0 100 50\r\n", 0.8, 4 / kFarthestOut, 0},  // fits at 4 px/mm
      {"0 0 100 50\r\n", 1.25, kDeepestPixelsPerMm, 0},
      {"0 0 0.0001 0\r\n", 1.25, 4000000, 3999999},  // fits at 4 000 000 px/mm already
      {"0 0 0.0001 0\r\n", 0.8, 400000, 0},
  };
  for (const auto& b : bounds) {
    Show(b.drawing);
    ViewModel bounded;
    bounded.Build();
    bounded.SetSize(416, 416, 7);
    for (int i = 0; i < 200; ++i) bounded.ZoomAt(b.factor, 100, 100);
    if (b.factor < 1) {
      EXPECT_NEAR(bounded.PixelsPerMm(), b.most, b.most * 1e-9) << b.drawing;
    } else {
      EXPECT_LE(bounded.PixelsPerMm(), b.most * (1 + 1e-9)) << b.drawing;
      EXPECT_GE(bounded.PixelsPerMm(), b.least) << b.drawing;
    }
  }
}

// A click finds the nearest figure within the tolerance, a candidate of a
// chosen kind before any other figure.
TEST_F(ViewModelTest, HitTestingPrefersCandidates) {
  Show("0 0 100 0\r\nci 50 0.2 0.2\r\nci 80 0 10\r\npt 20 0\r\nsc 0 100 3 1 0 6.28 0 0\r\n");
  Choose({true, false, false, false, false}, "1");
  const ConversionChoice choice = ChoiceFromControls(host);
  ViewModel model;
  model.Build();
  model.SetSize(1000, 1000, 7);
  model.Fit();
  auto hit = [&](double x, double y) {
    double px, py;
    model.ToDevice(x, y, &px, &py);
    return model.HitTest(px, py, 3, choice);
  };
  const double mm = 1 / model.PixelsPerMm();  // one pixel in millimetres
  const struct {
    double x, y;
    FigureRef expected;
  } cases[] = {
      {50, 0.2, {kCircle, 0}},      // inside a circle two pixels across
      {50, 0, {kCircle, 0}},        // on the line too, but the circle is a candidate
      {30, 0, {kLine, 0}},          // the line alone
      {30, 2.5 * mm, {kLine, 0}},   // within 3 pixels
      {30, 3.5 * mm, {}},           // beyond
      {70, 0, {kCircle, 1}},        // on the large circle, a kept candidate
      {20, 0, {kCircle, 1}},        // no: the point is nearer ...
      {0, 103, {kCircleSolid, 0}},  // a solid of a kind not chosen: a figure
  };
  for (const auto& c : cases) {
    const std::optional<FigureRef> found = hit(c.x, c.y);
    if (c.x == 20) {
      ASSERT_TRUE(found);
      EXPECT_EQ(found->kind, kLine);  // ... the line and the point meet there; no candidate
      continue;
    }
    if (c.expected.kind == kDropped) {
      EXPECT_FALSE(found) << c.x << "," << c.y;
      continue;
    }
    ASSERT_TRUE(found) << c.x << "," << c.y;
    EXPECT_EQ(*found, c.expected) << c.x << "," << c.y;
  }
}

// What the tooltip says, and the radius text a click types: read back as
// the limit, it converts the figure it came from.
TEST_F(ViewModelTest, TooltipsAndPickedRadii) {
  Show(
      "ci 10 20 0.05\r\nci 1 2 5 1 0 1 0\r\nci 0 0 3 0.5 0 6.28318530717959 0\r\n"
      "so 7 8 0.1000000000000000055511151231257827 1 0 6.28 0 0\r\n0 0 1 1\r\n");
  Choose({true, true, false, false, false}, "0.1");
  const ConversionChoice choice = ChoiceFromControls(host);
  EXPECT_EQ(DescribeFigure({kCircle, 0}, choice), "円　半径 0.05　中心 (10, 20)　→ 点");
  EXPECT_EQ(DescribeFigure({kArc, 0}, choice),
            "円弧　半径 5　中心 (1, 2)　→ 残ります（半径が限度より大きい）");
  EXPECT_EQ(DescribeFigure({kArc, 1}, choice),
            "楕円　半径 3　中心 (0, 0)　→ 残ります（半径が限度より大きい）");
  EXPECT_EQ(DescribeFigure({kRingSolid, 0}, choice),
            "円環ソリッド　半径 0.1　中心 (7, 8)　→ 残ります（対象図形に選ばれていません）");
  EXPECT_EQ(DescribeFigure({kLine, 0}, choice), "線");
  SetRadioGroupButton(host, Control::RadioButton2, true);
  host.SetItemIndex(Control::ComboBox1, 4);
  EXPECT_EQ(DescribeFigure({kCircle, 0}, ChoiceFromControls(host)),
            "円　半径 0.05　中心 (10, 20)　→ 点マーカー□");
  // Below a lower limit a figure stays for that reason; kept originals are told.
  host.SetText(Control::Edit3, "1");
  host.SetText(Control::Edit1, "5");
  host.SetChecked(Control::CheckBox6, true);
  EXPECT_EQ(DescribeFigure({kCircle, 0}, ChoiceFromControls(host)),
            "円　半径 0.05　中心 (10, 20)　→ 残ります（半径が下限より小さい）");
  EXPECT_EQ(DescribeFigure({kArc, 0}, ChoiceFromControls(host)),
            "円弧　半径 5　中心 (1, 2)　→ 点マーカー□（元の図形も残ります）");
  host.SetText(Control::Edit3, "");
  host.SetText(Control::Edit1, "0.1");
  host.SetChecked(Control::CheckBox6, false);
  for (double radius : {0.05, 5.0, 0.1 + 1e-17, 0.30000000000000004, 1e-7, 123456.78901234567,
                        std::nextafter(1.0, 2.0)}) {
    const std::string text = RadiusText(radius);
    EXPECT_TRUE(radius <= ClampRadiusLimit(TextToFloat(text))) << text;
    EXPECT_LE(text.size(), 24u) << text;
    // Shift+click's text for the lower limit takes the figure in from below.
    const std::string from = RadiusFromText(radius);
    EXPECT_TRUE(TextToFloat(from) <= radius) << from;
    EXPECT_LE(from.size(), 24u) << from;
  }
  EXPECT_EQ(RadiusFromText(0.05), "0.05");
  EXPECT_EQ(RadiusText(0.05), "0.05");
  EXPECT_EQ(RadiusText(std::nextafter(1.0, 2.0)), "1.0000000000000002");
}

// Circle, rim and ring solids are filled lightly inside their outline, as
// in the SVG; circles and arcs are outlines only.
TEST_F(ViewModelTest, SolidsAreFilledAsInTheSvg) {
  const struct {
    const char* figure;
    bool filled;
  } cases[] = {
      {"ci 50 50 40", false},
      {"ci 50 50 40 0.5 0 6.28318530717959 0", false},
      {"sc 50 50 40 1 0 6.28318530717959 0 0", true},
      {"se 50 50 40 1 0 6.28318530717959 0 0", true},
      {"so 50 50 40 1 0 6.28318530717959 0 10", true},
      {"sg 50 50 40 1 0 6.28318530717959 0 10", true},
  };
  for (const auto& c : cases) {
    Show(std::string(c.figure) + "\r\n0 0 100 0\r\n");
    Choose({true, true, true, true, true}, "100");
    ViewModel model;
    model.Build();
    model.SetSize(200, 200, 7);
    Raster raster(200, 200);
    ASSERT_TRUE(model.PaintFigures(raster, Designed(), nullptr));
    ASSERT_TRUE(model.PaintCandidates(raster, Designed(), ChoiceFromControls(host), nullptr));
    double x, y;
    model.ToDevice(50, 50 + 20, &x, &y);  // inside the outline, off its centre's marker
    EXPECT_EQ(raster.At(static_cast<int32_t>(x), static_cast<int32_t>(y)) == Rgb{}, !c.filled)
        << c.figure;
  }
}

// Every kind of figure the view draws has the shape of its record: lines
// and dimension lines as segments, points and markers at their place,
// block insertions as crosses, solids as polygons of their corners, texts
// as boxes; no candidate has a radius.
TEST_F(ViewModelTest, EveryKindHasItsShape) {
  const struct {
    const char* lines;
    Shape::Kind kind;
    int n;
    double x0, y0, x1, y1;
    const char* svg;  // how the SVG draws it
  } cases[] = {
      {"0 0 10 5", Shape::kSegment, 2, 0, 0, 10, 5, "<line class=\"figure\""},
      {"pt 3 4", Shape::kPoint, 1, 3, 4, 0, 0, "<circle class=\"figure point\""},
      {"pt 3 4 2 0 -5", Shape::kMarker, 1, 3, 4, 0, 0, "<path class=\"figure\" d=\"M"},
      {"BL 7 8 \"b", Shape::kBlock, 1, 7, 8, 0, 0, "<path class=\"figure\" d=\"M"},
      {"sl 1 2 3 4", Shape::kPolygon, 4, 1, 2, 3, 2,
       "<polygon class=\"figure solid\" points=\"1,2 3,2"},
      {"sl 0 0 5 5 0 0", Shape::kPolygon, 3, 0, 0, 5, 5,
       "<polygon class=\"figure solid\" points=\"0,0 5,5"},
      {"sl 0 0 1 0 1 1 0 1 99", Shape::kPolygon, 4, 0, 0, 1, 0, "<polygon class=\"figure solid\""},
      {"msg\r\n0 0 10 0\r\ncs 1 2 3 4 \"10", Shape::kSegment, 2, 0, 0, 10, 0,
       "<line class=\"figure\" x1=\"0\" y1=\"0\" x2=\"10\""},
      {"ch 1 2 3 4 \"abc", Shape::kTextBox, 4, 1, 2, 0, 0,
       "<polygon class=\"figure\" points=\"1,2"},
  };
  for (const auto& c : cases) {
    Show(std::string(c.lines) + "\r\n");
    int figures = 0;
    ForEachFigure([&](FigureRef f, const Shape& shape) {
      ++figures;
      EXPECT_EQ(shape.kind, c.kind) << c.lines;
      EXPECT_EQ(shape.n, c.n) << c.lines;
      EXPECT_EQ(shape.x[0], c.x0) << c.lines;
      EXPECT_EQ(shape.y[0], c.y0) << c.lines;
      if (c.n > 1 && c.kind != Shape::kTextBox) {
        EXPECT_EQ(shape.x[1], c.x1) << c.lines;
        EXPECT_EQ(shape.y[1], c.y1) << c.lines;
      }
      if (c.kind == Shape::kMarker) {
        EXPECT_EQ(shape.markerCode, -5);
      }
      EXPECT_TRUE(std::isnan(RadiusOf(f))) << c.lines;
      EXPECT_EQ(CandidateKindOf(f.kind), -1) << c.lines;
    });
    EXPECT_EQ(figures, 1) << c.lines;
    ViewModel model;
    model.Build();
    model.SetSize(100, 100, 7);
    Raster raster(100, 100);
    ASSERT_TRUE(model.PaintFigures(raster, Designed(), nullptr));
    EXPECT_TRUE(raster.Any(0, 0, 100, 100, Designed().viewFigure)) << c.lines;
    const std::string svg = ViewSvg(model, Designed(), ChoiceFromControls(host));
    EXPECT_NE(svg.find(c.svg), std::string::npos) << c.lines << "\n" << svg;
    // The view names the figure under its first point.
    double x, y;
    model.ToDevice(c.x0, c.y0, &x, &y);
    EXPECT_TRUE(model.HitTest(x, y, 3, ChoiceFromControls(host)).has_value()) << c.lines;
    FreeDrawingTables();
  }
}

// A picture full of converted figures still shows where the kept ones are:
// the centre of each is marked in the kept colour over everything, and a
// larger limit's results cover the marks of what it converts.
TEST_F(ViewModelTest, KeptCandidatesShowThroughADensePicture) {
  std::string drawing = "ci 50 50 30\r\n";  // kept at a limit of 1
  for (int i = 0; i <= 100; ++i) {
    drawing += "ci " + std::to_string(i) + " 50 0.5\r\n";  // converted, across its centre
    drawing += "ci 50 " + std::to_string(i) + " 0.5\r\n";
  }
  Show(drawing);
  Choose({true, false, false, false, false}, "1");
  ViewModel model;
  model.Build();
  model.SetSize(101, 101, 7);
  Raster raster(101, 101);
  ASSERT_TRUE(model.PaintCandidates(raster, Designed(), ChoiceFromControls(host), nullptr));
  double x, y;
  model.ToDevice(50, 50, &x, &y);
  const int32_t cx = static_cast<int32_t>(x), cy = static_cast<int32_t>(y);
  EXPECT_TRUE(raster.At(cx, cy) == Designed().viewKept);
  EXPECT_TRUE(raster.At(cx + 3, cy) == Designed().viewConverted);  // the picture is full there
  // A larger limit paints only what it adds, and the mark goes with it.
  Choose({true, false, false, false, false}, "40");
  ASSERT_TRUE(model.PaintClass(raster, Designed(), ChoiceFromControls(host),
                               FigureClass::kConverted, 1, nullptr));
  EXPECT_TRUE(raster.At(cx, cy) == Designed().viewConverted);
}

// Picks undo back to the typed text and redo forward; typing starts a new
// series, and a text the picks did not make is left to the edit's own undo.
TEST(PickHistory, StepsThroughThePicksToTheTypedText) {
  PickHistory picks;
  std::string text = "0.1";  // typed
  auto pick = [&](const std::string& radius) {
    picks.Picked(text, radius);
    text = radius;
  };
  auto step = [&](bool redo) {
    const std::optional<std::string> to = redo ? picks.Redo(text) : picks.Undo(text);
    if (to) text = *to;
    return to.has_value();
  };
  EXPECT_FALSE(step(false));  // nothing picked yet
  pick("5");
  pick("12.3456789012346");
  const struct {
    bool redo, moved;
    const char* text;
  } steps[] = {
      {false, true, "5"},
      {false, true, "0.1"},
      {false, false, "0.1"},
      {true, true, "5"},
      {true, true, "12.3456789012346"},
      {true, false, "12.3456789012346"},
      {false, true, "5"},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(step(s.redo), s.moved) << s.text;
    EXPECT_EQ(text, s.text);
  }
  pick("0.05");  // after an undo: the redo steps go
  EXPECT_FALSE(step(true));
  EXPECT_TRUE(step(false));
  EXPECT_EQ(text, "5");
  text = "7";  // typed: the picks are no longer what 半径 shows
  EXPECT_FALSE(step(false));
  EXPECT_FALSE(step(true));
  pick("0.3");
  EXPECT_TRUE(step(false));
  EXPECT_EQ(text, "7");
  EXPECT_FALSE(step(false));
}

// The SVG picture: the view's classes and colours, drawing millimetres
// with y upwards, results where OK writes them.
TEST_F(ViewModelTest, SvgCarriesTheClassesAndResults) {
  Show("ci 10 20 0.05\r\nci 30 40 5\r\n0 0 100 50\r\n");
  Choose({true, false, false, false, false}, "0.1", false);
  ViewModel model;
  model.Build();
  const std::string svg = ViewSvg(model, Designed(), ChoiceFromControls(host));
  EXPECT_NE(svg.find("viewBox=\"-2 -52 104 54\""), std::string::npos) << svg.substr(0, 200);
  EXPECT_NE(svg.find("<g transform=\"scale(1,-1)\">"), std::string::npos);
  EXPECT_NE(svg.find("<path class=\"converted\" d=\"M10.05,20 A0.05,0.05 0 0 1 "),
            std::string::npos);
  EXPECT_NE(svg.find("<path class=\"kept\" d=\"M35,40"), std::string::npos);
  EXPECT_NE(svg.find("<line class=\"figure\" x1=\"0\" y1=\"0\" x2=\"100\" y2=\"50\"/>"),
            std::string::npos);
  EXPECT_NE(svg.find("<path class=\"result\" data-x=\"10\" data-y=\"20\""), std::string::npos);
  EXPECT_NE(svg.find(".converted { stroke: #dc2800 }"), std::string::npos);
  EXPECT_EQ(svg.find("stays"), std::string::npos);
  // A lower limit above the small circle keeps it; kept originals say so.
  host.SetText(Control::Edit3, "1");
  host.SetText(Control::Edit1, "5");
  host.SetChecked(Control::CheckBox6, true);
  const std::string ranged = ViewSvg(model, Designed(), ChoiceFromControls(host));
  EXPECT_NE(ranged.find("<path class=\"kept\" d=\"M10.05,20"), std::string::npos);
  EXPECT_NE(ranged.find("<path class=\"converted stays\" d=\"M35,40"), std::string::npos);
  EXPECT_NE(ranged.find("<path class=\"result\" data-x=\"30\" data-y=\"40\""), std::string::npos);
}

// Coordinates near the range of a double still give a picture every reader
// can draw: no "inf" or "nan" anywhere, the results' data as OK writes them;
// a stop request gives no picture at all.
TEST_F(ViewModelTest, SvgOfTheLargestCoordinatesIsDrawable) {
  const struct {
    const char* drawing;
    const char* result;  // what the results' data hold
  } cases[] = {
      {"ci 1e308 -1e308 1e308\r\n-1.7e308 -1.7e308 1.7e308 1.7e308\r\n", "</g>"},
      {"ci -1.7976931348623157e308 0 0.05\r\nci 1.7976931348623157e308 0 0.05\r\n",
       "data-x=\"1.79769313486231E308\" data-y=\"0\""},
      {"0 -1.7e308 0 1.7e308\r\nci 1 1 0.05\r\n", "data-x=\"1\" data-y=\"1\""},
  };
  for (const auto& [drawing, result] : cases) {
    Show(drawing);
    Choose({true, false, false, false, false}, "0.1", false);
    ViewModel model;
    model.Build();
    const std::string svg = ViewSvg(model, Designed(), ChoiceFromControls(host));
    for (const char* bad : {"inf", "INF", "nan", "NAN"}) {
      EXPECT_EQ(svg.find(bad), std::string::npos) << bad << " in " << svg;
    }
    EXPECT_TRUE(svg.ends_with("</svg>\n")) << drawing;
    EXPECT_NE(svg.find(result), std::string::npos) << drawing;
  }
  EXPECT_EQ(ViewSvg(ViewModel(), Designed(), ChoiceFromControls(host), [] { return true; }), "");
}

}  // namespace
}  // namespace q836
