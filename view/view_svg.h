// The drawing view as an SVG picture, for scripts and tests: the same
// figures, classes and colours as the window, in drawing millimetres.
#pragma once

#include <string>

#include "view/palette.h"
#include "view/view_figures.h"

namespace q836 {

class ViewModel;

/// The SVG text of the loaded drawing under `choice`: one element per
/// figure with class "converted", "kept" or "figure", then one element per
/// point or marker OK makes, class "result", whose data-x and data-y hold
/// its coordinates as OK writes them. Every number is finite: a drawing
/// reaching near the range of a double is scaled down for the picture.
/// `stopped` (if given) is asked now and then; once it says true, the
/// result is empty.
std::string ViewSvg(const ViewModel& model, const Palette& palette, const ConversionChoice& choice,
                    bool (*stopped)() = nullptr);

}  // namespace q836
