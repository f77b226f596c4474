// The application window: the tool's entry in the task bar, owner of the form.
#pragma once

#include <windows.h>

namespace q836 {

/// Creates the application window, shown without activation; its
/// GWLP_USERDATA is to hold the form's window once there is one.
HWND CreateApplicationWindow(HINSTANCE instance);

}  // namespace q836
