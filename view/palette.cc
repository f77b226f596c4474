#include "view/palette.h"

#include <algorithm>
#include <cmath>

namespace q836 {

namespace {

// The designed backgrounds: a white form, the green title band, the grey
// status line and the blue memo; warnings in dark red.
constexpr Rgb kDesignedBack[kSurfaces] = {
    {255, 255, 255}, {192, 220, 192}, {231, 231, 231}, {187, 235, 244}};
constexpr Rgb kDesignedWarning = {192, 0, 0};
// The view on white: vermilion against blue, which stay apart for red-green
// colour blindness, over a light grey.
constexpr Rgb kDesignedFigure = {170, 170, 170}, kDesignedKept = {0, 90, 200},
              kDesignedConverted = {220, 40, 0};

double Luminance(Rgb c) {
  auto channel = [](uint8_t v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}

}  // namespace

double ContrastRatio(Rgb a, Rgb b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Palette ChoosePalette(const SystemColours& system) {
  Palette p;
  bool standsOut = !system.highContrast;
  for (const Rgb& back : kDesignedBack) {
    standsOut = standsOut && ContrastRatio(system.windowText, back) >= kMinimumContrast;
  }
  if (standsOut) {
    for (int s = 0; s < kSurfaces; ++s) {
      p.back[s] = kDesignedBack[s];
      p.text[s] = system.windowText;
    }
    p.warning = kDesignedWarning;
    p.viewBack = {255, 255, 255};
    p.viewFigure = kDesignedFigure, p.viewKept = kDesignedKept;
    p.viewConverted = kDesignedConverted;
    p.viewText = {0, 0, 0};
    return p;
  }
  p.system = true;
  for (int s = 0; s < kSurfaces; ++s) {
    p.back[s] = system.window;
    p.text[s] = system.windowText;
  }
  p.back[kTitleSurface] = system.buttonFace;
  p.text[kTitleSurface] = system.buttonText;
  p.warning = ContrastRatio(system.highlight, system.window) >= kMinimumContrast
                  ? system.highlight
                  : system.windowText;
  // The scheme's own colours: what stays in its text colour, what OK leaves
  // alone greyed, what it converts highlighted.
  p.viewBack = system.window;
  p.viewText = system.windowText;
  p.viewConverted = p.warning;
  p.viewKept = p.viewConverted == system.windowText ? system.highlight : system.windowText;
  p.viewFigure = system.grayText;
  if (p.viewFigure == p.viewBack || p.viewFigure == p.viewKept || p.viewFigure == p.viewConverted) {
    // Half way between the text and the background.
    auto mid = [](uint8_t a, uint8_t b) { return static_cast<uint8_t>((a + b) / 2); };
    const Rgb t = system.windowText, w = system.window;
    p.viewFigure = {mid(t.r, w.r), mid(t.g, w.g), mid(t.b, w.b)};
  }
  return p;
}

}  // namespace q836
