// Test helper, run under Wine: holds a file open as a virus scanner or a
// backup program does (reading and writing shared, deleting not), prints
// "held", waits until the file GO exists, keeps holding for MS milliseconds
// more, then lets go.
//   hold_file PATH GO MS
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  HANDLE h = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  std::fputs("held\n", stdout);
  std::fflush(stdout);
  while (GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES) Sleep(10);
  Sleep(static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
  CloseHandle(h);
  return 0;
}
