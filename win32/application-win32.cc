#include "win32/application-win32.h"

#include "win32/res/resource.h"

namespace q836 {

namespace {

// The application window carries the title in the task bar and owns the
// form. Activated itself (the task bar, Alt+Tab, a restore after
// minimising), it hands activation and focus on to the form, so that keys
// reach the form's controls at once; closing it is closing the form.
LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND form = reinterpret_cast<HWND>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && form && IsWindowVisible(form) && !IsIconic(hwnd)) {
        SetActiveWindow(form);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      if (form && IsWindowVisible(form) && !IsIconic(hwnd)) {
        SetFocus(form);
        return 0;
      }
      break;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && form && IsWindow(form) && !IsWindowVisible(form)) {
        ShowWindow(form, SW_SHOW);
        SetActiveWindow(form);
      }
      break;
    case WM_CLOSE:
      if (form) PostMessageW(form, WM_CLOSE, 0, 0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

HWND CreateApplicationWindow(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ApplicationProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_Q836));
  wc.lpszClassName = L"TApplication";
  RegisterClassExW(&wc);
  HWND app = CreateWindowExW(0, L"TApplication", L"q836_円→点変換",
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                             nullptr, nullptr, instance, nullptr);
  if (app) ShowWindow(app, SW_SHOWNOACTIVATE);
  return app;
}

}  // namespace q836
