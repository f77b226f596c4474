// Test helper, run under Wine beside a running q836.exe: prints the text of
// the dialog's foot strip (the preview lines) in UTF-8, lines ended by LF;
// with --message, the text of the message box the program shows; with
// --focus, the window that has the focus: its control id and class name
// ("form" for the form itself). Exit status 1 when there is no such window.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "text/wide_text.h"
#include "tool/control_ids-win32.h"

namespace {

// The message box's text is its static control with the id 0xFFFF.
constexpr int kMessageTextId = 0xFFFF;

HWND Source(bool message) {
  if (message) {
    HWND box = FindWindowW(L"#32770", L"q836_円→点変換");
    return box ? GetDlgItem(box, kMessageTextId) : nullptr;
  }
  HWND form = FindWindowW(L"TForm1", L"円→点変換");
  return form ? GetDlgItem(form, q836::kIdScrollBox1) : nullptr;
}

}  // namespace

// "ID CLASS" of the window that has the focus in the form's thread.
int PrintFocus() {
  HWND form = FindWindowW(L"TForm1", L"円→点変換");
  if (!form) return 1;
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info)) return 1;
  if (!info.hwndFocus) {
    std::puts("none");
  } else if (info.hwndFocus == form) {
    std::puts("form");
  } else {
    wchar_t name[64] = {};
    GetClassNameW(info.hwndFocus, name, 64);
    std::printf("%d %s\n", GetDlgCtrlID(info.hwndFocus), q836::Utf8(name).c_str());
  }
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // LF stays LF
  if (argc > 1 && std::wstring(argv[1]) == L"--focus") return PrintFocus();
  HWND source = Source(argc > 1 && std::wstring(argv[1]) == L"--message");
  if (!source) return 1;
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(source)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(source, text.data(), static_cast<int>(text.size()))));
  std::string out;
  for (char c : q836::Utf8(text)) {
    if (c != '\r') out += c;
  }
  if (!out.empty()) out += '\n';
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
