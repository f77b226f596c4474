// Test helper, run under Wine beside a running q836.exe: prints the text of
// the dialog's foot strip (the preview lines) in UTF-8, lines ended by LF;
// with --message, the text of the message box the program shows; with
// --focus, the window that has the focus: its control id and class name
// ("form" for the form itself); with --fit, whether the strip's lines fit
// it as the strip lays them out in its own font ("fits N lines", or what
// does not fit). Exit status 1 when there is no such window.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "text/wide_text.h"
#include "tool/control_ids-win32.h"
#include "tool/dpi-win32.h"
#include "tool/strip-win32.h"

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

// Measures every line of the strip's text in the strip's font.
int PrintFit(HWND strip) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(strip)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(strip, text.data(), static_cast<int>(text.size()))));
  std::vector<std::wstring> lines;
  for (size_t start = 0; !text.empty();) {
    const size_t end = text.find(L"\r\n", start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::wstring::npos) break;
    start = end + 2;
  }
  RECT client;
  GetClientRect(strip, &client);
  // The dialog's own font handle belongs to its process: the same font is
  // made here.
  HFONT font = q836::CreateDialogFont(13, 96);
  HDC dc = GetDC(strip);
  HGDIOBJ old = SelectObject(dc, font);
  const q836::StripLayout layout = q836::LayOutStrip(dc, client, lines.size(), 96);
  int problems = 0;
  for (const std::wstring& line : lines) {
    SIZE size;
    GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
    if (size.cx > layout.right - layout.left) {
      std::printf("too wide: %s (%ld px, room for %d)\n", q836::Utf8(line).c_str(), size.cx,
                  layout.right - layout.left);
      ++problems;
    }
  }
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  const int bottom =
      layout.top + metrics.tmInternalLeading + static_cast<int>(lines.size()) * layout.pitch;
  if (bottom > client.bottom) {
    std::printf("too many lines: %zu take %d px of %ld\n", lines.size(), bottom, client.bottom);
    ++problems;
  }
  SelectObject(dc, old);
  ReleaseDC(strip, dc);
  DeleteObject(font);
  if (problems == 0) std::printf("fits %zu lines\n", lines.size());
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // LF stays LF
  if (argc > 1 && std::wstring(argv[1]) == L"--focus") return PrintFocus();
  if (argc > 1 && std::wstring(argv[1]) == L"--fit") {
    HWND strip = Source(false);
    return strip ? PrintFit(strip) : 1;
  }
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
