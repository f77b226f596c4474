#include "win32/strip-win32.h"

#include <algorithm>
#include <string>

#include "text/wide_text.h"

namespace q836 {

StripLayout LayOutStrip(HDC dc, const RECT& rect, size_t lines, int dpi) {
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  const int height = rect.bottom - rect.top;
  // The em height; a font rounded up at some DPI takes a pixel less, so that
  // the strip still holds all its lines.
  const int pitch = std::min<int>(metrics.tmHeight - metrics.tmInternalLeading,
                                  height / static_cast<int>(kPreviewLines));
  const int used = static_cast<int>(lines) * pitch;
  return {pitch, rect.top + std::max(0, (height - used) / 2) - metrics.tmInternalLeading,
          rect.left + MulDiv(kStripMarginLeft, dpi, 96),
          rect.right - MulDiv(kStripMarginRight, dpi, 96)};
}

void PaintStrip(HDC dc, const RECT& rect, HFONT font, HBRUSH background, COLORREF text,
                COLORREF warning, const std::vector<PreviewLine>& lines, int dpi) {
  FillRect(dc, &rect, background);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  const StripLayout layout = LayOutStrip(dc, rect, lines.size(), dpi);
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  int y = layout.top;
  for (const PreviewLine& line : lines) {
    SetTextColor(dc, line.Warning ? warning : text);
    const std::wstring wide = Utf16(line.Text);
    RECT r = {layout.left, y, layout.right, y + metrics.tmHeight};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
              DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    y += layout.pitch;
  }
  SelectObject(dc, oldFont);
}

}  // namespace q836
