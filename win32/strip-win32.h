// The foot strip of the dialog: the preview lines painted in the dialog's
// font, warnings in their own colour, as many lines as the strip holds.
#pragma once

#include <windows.h>

#include <vector>

#include "tool/preview.h"

namespace q836 {

/// Blank space left and right of the lines, in pixels at 96 DPI.
inline constexpr int kStripMarginLeft = 6;
inline constexpr int kStripMarginRight = 2;

/// Where the strip's lines stand in `rect`, for the font selected into `dc`.
struct StripLayout {
  int pitch;  // from one line to the next: the font's em height
  int top;    // the top of the first line's character cell
  int left, right;
};

/// Lays out `lines` lines in `rect`: one after another at the font's em
/// height, or the strip's height shared by kPreviewLines lines where that
/// is less (the internal leading, space for accents above the em, may run
/// into the line above), the block centred in the strip.
StripLayout LayOutStrip(HDC dc, const RECT& rect, size_t lines, int dpi);

/// Paints `lines` into `rect` of `dc` in `font` over `background`, in the
/// colour `text`, warnings in `warning`.
void PaintStrip(HDC dc, const RECT& rect, HFONT font, HBRUSH background, COLORREF text,
                COLORREF warning, const std::vector<PreviewLine>& lines, int dpi);

}  // namespace q836
