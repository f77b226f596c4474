// Test helper, run under Wine beside a running q836.exe: prints the text of
// the dialog's foot strip (the preview lines) in UTF-8, lines ended by LF.
// Exit status 1 when no dialog is open.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "text/wide_text.h"
#include "tool/control_ids-win32.h"

int wmain() {
  HWND form = FindWindowW(L"TForm1", L"円→点変換");
  if (!form) return 1;
  HWND strip = GetDlgItem(form, q836::kIdScrollBox1);
  if (!strip) return 1;
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(strip)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(strip, text.data(), static_cast<int>(text.size()))));
  std::string out;
  for (char c : q836::Utf8(text)) {
    if (c != '\r') out += c;
  }
  if (!out.empty()) out += '\n';
  _setmode(_fileno(stdout), _O_BINARY);  // LF stays LF
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
