// The dialog's controls as designed at 96 DPI: class, caption, styles and
// place of each, in creation (tab) order, and their rectangles at any DPI.
#pragma once

#include <windows.h>

#include <cstddef>

#include "tool/form_host.h"
#include "view/palette.h"

namespace q836 {

/// The form's client area and fonts at 96 DPI.
inline constexpr int kClientWidth = 467;
inline constexpr int kClientHeight = 404;
inline constexpr int kFontHeight = 13;
inline constexpr int kTitleFontHeight = 19;

/// One control of the form: class, caption, styles and its place on the form
/// (children of a group box are placed relative to it, as designed).
struct ControlSpec {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int groupX, groupY;  // origin of the parent group box, 0 for the form
  int x, y, width, height;
};

/// The controls, in creation order; creation order is the tab order.
extern const ControlSpec kControls[];
extern const size_t kControlCount;

/// The control's rectangle in the form's client area at `dpi`.
RECT ControlRect(const ControlSpec& control, int dpi);

/// The drawing view's rectangle at `dpi`: a square right of the controls,
/// as high as the client area.
RECT ViewRect(int dpi);

/// The surface whose colours the control `id` takes.
Surface SurfaceOf(int id);

/// The window identifier of a control the form reads or changes.
int ControlIdOf(Control control);

/// Whether a control of the form can hold the focus: enabled, shown, and
/// not a label, the strip or a group box.
bool CanTakeFocus(HWND control);

}  // namespace q836
