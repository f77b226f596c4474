// Sizes of the dialog at the monitor's DPI: every length is designed at 96
// DPI and scaled by DPI / 96 where it is laid out. The DPI functions of newer
// Windows are looked up at run time, with the older ones as fallback.
#pragma once

#include <windows.h>

namespace q836 {

/// A length of `value` pixels at 96 DPI, at `dpi`.
inline int Scale(int value, int dpi) { return MulDiv(value, dpi, 96); }

/// The dialog's font, ＭＳ ゴシック of `height` pixels at 96 DPI, at `dpi`.
HFONT CreateDialogFont(int height, int dpi);

/// Makes the process aware of each monitor's DPI where the manifest did not
/// (per monitor, version 2; else the system DPI).
void BecomeDpiAware();

/// The DPI `window` is shown at: its monitor's, or the system's.
int WindowDpi(HWND window);

/// The window rectangle for the client rectangle `rect` at `dpi`.
void AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, int dpi);

}  // namespace q836
