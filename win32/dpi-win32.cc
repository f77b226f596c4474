#include "win32/dpi-win32.h"

namespace q836 {

namespace {

// A function of user32.dll that older Windows lacks, or null.
template <typename Function>
Function User32(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

HFONT CreateDialogFont(int height, int dpi) {
  return CreateFontW(-Scale(height, dpi), 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     FIXED_PITCH | FF_MODERN, L"ＭＳ ゴシック");
}

void BecomeDpiAware() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, (HANDLE)-4 (Windows 10 1703).
  if (auto set = User32<SetContext>("SetProcessDpiAwarenessContext")) {
    if (set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) return;
    if (GetLastError() == ERROR_ACCESS_DENIED) return;  // the manifest has set it
  }
  using SetAware = BOOL(WINAPI*)();
  if (auto set = User32<SetAware>("SetProcessDPIAware")) set();
}

int WindowDpi(HWND window) {
  using GetDpi = UINT(WINAPI*)(HWND);
  if (auto get = User32<GetDpi>("GetDpiForWindow")) {
    const UINT dpi = get(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

void AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, int dpi) {
  using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  if (auto adjust = User32<Adjust>("AdjustWindowRectExForDpi")) {
    if (adjust(rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) return;
  }
  AdjustWindowRectEx(rect, style, FALSE, exStyle);
}

}  // namespace q836
