// Program entry of q836.exe: the application window, the dialog, the message loop.
#include <windows.h>

#include "win32/dialog-win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return q836::RunDialog(instance); }
