// Sizes of the dialog at the monitor's DPI: every length is designed at 96
// DPI and scaled by DPI / 96 where it is laid out.
#pragma once

#include <windows.h>

namespace q836 {

/// A length of `value` pixels at 96 DPI, at `dpi`.
inline int Scale(int value, int dpi) { return MulDiv(value, dpi, 96); }

/// The dialog's font, ＭＳ ゴシック of `height` pixels at 96 DPI, at `dpi`.
HFONT CreateDialogFont(int height, int dpi);

}  // namespace q836
