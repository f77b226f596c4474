#include "win32/colours-win32.h"

#include <commctrl.h>

namespace q836 {

namespace {

Rgb SystemColour(int index) {
  const COLORREF c = GetSysColor(index);
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

// A group box paints its caption in a colour of its own, whatever the
// colours its parent gives (so a white scheme text can end up black on
// black): in the system's colours the form paints the frame and caption.
LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data) {
  const Palette& palette = *reinterpret_cast<const Palette*>(data);
  if (message != WM_PAINT || !palette.system) {
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  RECT frame;
  GetClientRect(hwnd, &frame);
  frame.top += metrics.tmHeight / 2 - 1;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  wchar_t caption[64] = {};
  GetWindowTextW(hwnd, caption, 64);
  RECT text = {metrics.tmAveCharWidth, 0, 0, metrics.tmHeight};
  DrawTextW(dc, caption, -1, &text, DT_CALCRECT | DT_SINGLELINE);
  RECT back = {text.left - 2, text.top, text.right + 2, text.bottom};
  HBRUSH brush = CreateSolidBrush(ColourRef(palette.back[kFormSurface]));
  FillRect(dc, &back, brush);
  DeleteObject(brush);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColourRef(palette.text[kFormSurface]));
  DrawTextW(dc, caption, -1, &text, DT_SINGLELINE);
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &paint);
  return 0;
}

}  // namespace

COLORREF ColourRef(Rgb c) { return RGB(c.r, c.g, c.b); }

SystemColours CurrentSystemColours() {
  HIGHCONTRASTW contrast = {sizeof contrast, 0, nullptr};
  const bool high = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                    (contrast.dwFlags & HCF_HIGHCONTRASTON);
  return {high,
          SystemColour(COLOR_WINDOW),
          SystemColour(COLOR_WINDOWTEXT),
          SystemColour(COLOR_BTNFACE),
          SystemColour(COLOR_BTNTEXT),
          SystemColour(COLOR_HIGHLIGHT),
          SystemColour(COLOR_GRAYTEXT)};
}

FormColours::~FormColours() {
  for (HBRUSH brush : brushes_) {
    if (brush) DeleteObject(brush);
  }
}

void FormColours::Choose() {
  palette_ = ChoosePalette(CurrentSystemColours());
  for (int s = 0; s < kSurfaces; ++s) {
    if (brushes_[s]) DeleteObject(brushes_[s]);
    brushes_[s] = CreateSolidBrush(ColourRef(palette_.back[s]));
  }
}

HBRUSH FormColours::ControlColour(HDC dc, Surface surface) const {
  SetBkColor(dc, ColourRef(palette_.back[surface]));
  SetTextColor(dc, ColourRef(palette_.text[surface]));
  return brushes_[surface];
}

void FormColours::PaintGroupBox(HWND groupBox) const {
  SetWindowSubclass(groupBox, GroupBoxProc, 0, reinterpret_cast<DWORD_PTR>(&palette_));
}

}  // namespace q836
