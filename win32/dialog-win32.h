// The tool's dialog as a native Win32 window driving the portable TForm1.
#pragma once

#include <windows.h>

namespace q836 {

/// Creates the dialog, runs the message loop until it closes, returns the exit code.
int RunDialog(HINSTANCE instance);

}  // namespace q836
