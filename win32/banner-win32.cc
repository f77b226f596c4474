#include "win32/banner-win32.h"

#include <ole2.h>

namespace q836 {

void StartBannerBrowser(HWND panel, const std::wstring& url) {
  if (!panel || url.empty()) return;
  // The hosting window class comes from the system's atl.dll, loaded at run
  // time: a window of class "AtlAxWin" whose text is an address creates the
  // web browser control and navigates to that address.
  if (FAILED(OleInitialize(nullptr))) return;
  HMODULE atl = LoadLibraryW(L"atl.dll");
  if (!atl) return;
  using AtlAxWinInitFn = BOOL(WINAPI*)();
  auto init = reinterpret_cast<AtlAxWinInitFn>(
      reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
  if (!init || !init()) return;
  RECT r;
  GetClientRect(panel, &r);
  CreateWindowExW(0, L"AtlAxWin", url.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom,
                  panel, nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace q836
