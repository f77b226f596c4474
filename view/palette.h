// The dialog's colours: the designed ones, or the system's where the user's
// colour scheme asks for them (a high-contrast scheme, or text colours that
// would not stand out on the designed backgrounds).
#pragma once

#include <cstdint>

namespace q836 {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

/// The contrast ratio of two colours, 1 (none) to 21 (black on white), by
/// their relative luminance as the accessibility guidelines define it.
double ContrastRatio(Rgb a, Rgb b);

/// What the system tells of the user's colour scheme.
struct SystemColours {
  bool highContrast = false;  // the scheme says it is a high-contrast one
  Rgb window, windowText, buttonFace, buttonText, highlight;
  Rgb grayText{128, 128, 128};  // the scheme's colour for text that is not available
};

/// The surfaces of the dialog that have a colour of their own.
enum Surface { kFormSurface, kTitleSurface, kStatusSurface, kMemoSurface, kSurfaces };

struct Palette {
  bool system = false;  // the system's colours rather than the designed ones
  Rgb back[kSurfaces];
  Rgb text[kSurfaces];
  Rgb warning;  // the strip's warning lines
  // The drawing view: its background, figures OK leaves alone, candidates it
  // keeps and those it converts (with what they become).
  Rgb viewBack, viewFigure, viewKept, viewConverted;
  Rgb viewText;  // the legend's words and the empty view's note
  bool operator==(const Palette&) const = default;
};

/// The light fill of a solid in `colour` on the view's background `back`.
inline Rgb SolidFill(Rgb colour, Rgb back) {
  auto mix = [](uint8_t c, uint8_t b) { return static_cast<uint8_t>((c + 3 * b) / 4); };
  return {mix(colour.r, back.r), mix(colour.g, back.g), mix(colour.b, back.b)};
}

/// Text needs at least this contrast to its background to be read.
inline constexpr double kMinimumContrast = 4.5;

/// The designed colours where the system's text stands out on every designed
/// background and no high-contrast scheme is on; the system's otherwise,
/// warnings then in the scheme's highlight colour (or its text colour where
/// the highlight would not stand out).
Palette ChoosePalette(const SystemColours& system);

}  // namespace q836
