#include "tool/dpi-win32.h"

namespace q836 {

HFONT CreateDialogFont(int height, int dpi) {
  return CreateFontW(-Scale(height, dpi), 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     FIXED_PITCH | FF_MODERN, L"ＭＳ ゴシック");
}

}  // namespace q836
