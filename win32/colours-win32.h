// The form's colours on Windows: the palette chosen for the user's scheme,
// a brush for each surface, and group boxes painted in those colours.
#pragma once

#include <windows.h>

#include "view/palette.h"

namespace q836 {

COLORREF ColourRef(Rgb colour);

/// The user's colour scheme as the system tells it.
SystemColours CurrentSystemColours();

class FormColours {
 public:
  FormColours() = default;
  ~FormColours();
  FormColours(const FormColours&) = delete;
  FormColours& operator=(const FormColours&) = delete;

  /// Chooses the palette for the scheme as it stands and makes its brushes.
  void Choose();
  const Palette& Colours() const { return palette_; }
  HBRUSH Brush(Surface surface) const { return brushes_[surface]; }
  /// Sets the colours of a control on `surface` into `dc`: its brush.
  HBRUSH ControlColour(HDC dc, Surface surface) const;
  /// Paints `groupBox` (frame and caption) in the palette's colours while
  /// they are the system's: a group box keeps a caption colour of its own.
  void PaintGroupBox(HWND groupBox) const;

 private:
  Palette palette_;
  HBRUSH brushes_[kSurfaces] = {};
};

}  // namespace q836
