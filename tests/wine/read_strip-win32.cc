// Test helper, run under Wine beside a running q836.exe: prints the text of
// the dialog's foot strip (the preview lines) in UTF-8, lines ended by LF;
// with --message, the text of the message box the program shows; with
// --focus, the window that has the focus: its control id and class name
// ("form" for the form itself); with --foreground, whether the form is the
// foreground window ("foreground form" or "foreground other"); with --fit, whether the strip's
// lines fit it as the strip lays them out in its own font ("fits N lines", or what does not fit);
// with --geometry, the DPI and client size of the form and every control whose rectangle is not its
// designed one scaled to that DPI within 2 px, or whose caption does not fit it in the dialog's
// font
// ("controls fit" when none); with --memo, whether every line of the memo
// stands whole beside its scroll bar (it wraps a line that does not);
// with --set ID TEXT, types TEXT into the form's control ID as a whole;
// with --contrast, for every control that shows a caption, the contrast of
// its text to its background as painted on the screen (the ratio of the
// colour that stands out most to the commonest one), "captions stand out"
// when each is at least 3, with the colour of the form's background; with
// --view, where the drawing view's client area is on the screen ("view X Y
// W H", or "view hidden"), how many of its pixels are in the converted and
// in the kept colour in its left and right halves, and a hash of all its
// pixels outside the legend, how many of the note's colour ("note N") and
// the colours of the legend ("legend RRGGBB ..."), and how many are in the light fill of solids of
// each colour
// ("fill converted N kept N"); with --radius, the text of 半径, the first
// character it shows and where its selection starts ("radius TEXT first N
// caret N"); with --edit-latency N, N times types one digit into 半径 that
// changes what OK converts and prints the milliseconds from the key to the
// changed view (median and worst); with --bench EXE N, starts EXE and
// prints the milliseconds until its dialog shows and until its view shows
// the drawing, then the edit latency of N edits, and closes it (Cancel).
// Exit status 1 when there is no such window.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "text/wide_text.h"
#include "view/palette.h"
#include "win32/control_ids-win32.h"
#include "win32/control_table-win32.h"
#include "win32/dpi-win32.h"
#include "win32/drawing_view-win32.h"
#include "win32/strip-win32.h"

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

// The form's DPI and client size, then each control that is not where the
// design puts it at that DPI or whose caption does not fit it.
int PrintGeometry(HWND form) {
  const int dpi = q836::WindowDpi(form);
  RECT client;
  GetClientRect(form, &client);
  std::printf("dpi %d client %ldx%ld\n", dpi, client.right, client.bottom);
  HDC dc = GetDC(form);
  int problems = 0;
  for (size_t i = 0; i < q836::kControlCount; ++i) {
    const q836::ControlSpec& c = q836::kControls[i];
    HWND h = GetDlgItem(form, c.id);
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    const RECT want = q836::ControlRect(c, dpi);
    if (c.id == q836::kIdComboBox1)
      r.bottom = r.top + (want.bottom - want.top);  // the list's height
    if (std::abs(r.left - want.left) > 2 || std::abs(r.top - want.top) > 2 ||
        std::abs(r.right - want.right) > 2 || std::abs(r.bottom - want.bottom) > 2) {
      std::printf("control %d at %ld,%ld-%ld,%ld instead of %ld,%ld-%ld,%ld\n", c.id, r.left, r.top,
                  r.right, r.bottom, want.left, want.top, want.right, want.bottom);
      ++problems;
    }
    // The caption in the control's font: the text, plus the check glyph of a
    // check box or radio button, or the frame of a push button.
    std::wstring text = c.text;
    std::erase(text, L'&');
    if (text.empty() || text == L"　") continue;
    HFONT font = q836::CreateDialogFont(
        c.id == q836::kIdLabel1 ? q836::kTitleFontHeight : q836::kFontHeight, dpi);
    HGDIOBJ old = SelectObject(dc, font);
    const LONG type = c.style & BS_TYPEMASK;
    const bool button = std::wstring(c.className) == L"BUTTON";
    int extra = 0;
    if (button && (type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON)) {
      extra = GetSystemMetrics(SM_CXMENUCHECK) + q836::Scale(4, dpi);
    } else if (button && type == BS_GROUPBOX) {
      extra = q836::Scale(16, dpi);
    } else if (button) {
      extra = q836::Scale(6, dpi);
    }
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    SIZE size;
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    int em = metrics.tmHeight - metrics.tmInternalLeading;
    if (button && (c.style & BS_MULTILINE)) {
      // A wrapped caption: its lines at the width beside the check glyph.
      RECT lines = {0, 0, width - extra, 0};
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &lines,
                DT_WORDBREAK | DT_CALCRECT);
      size.cx = lines.right;
      em = lines.bottom;
    }
    SelectObject(dc, old);
    DeleteObject(font);
    if (size.cx + extra > width || em > height) {
      std::printf("control %d: caption %s takes %ldx%d of %ldx%ld\n", c.id,
                  q836::Utf8(text).c_str(), size.cx + extra, em, width, height);
      ++problems;
    }
  }
  ReleaseDC(form, dc);
  if (problems == 0) std::puts("controls fit");
  return 0;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// An edit control's text, asked of the control itself: another process's
// window keeps no copy of it.
std::wstring EditText(HWND edit) {
  std::wstring text(static_cast<size_t>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
  text.resize(static_cast<size_t>(
      SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

// Measures every line of the strip's text in the strip's font.
int PrintFit(HWND strip) {
  const std::wstring text = WindowText(strip);
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
  const int dpi = q836::WindowDpi(strip);
  HFONT font = q836::CreateDialogFont(q836::kFontHeight, dpi);
  HDC dc = GetDC(strip);
  HGDIOBJ old = SelectObject(dc, font);
  const q836::StripLayout layout = q836::LayOutStrip(dc, client, lines.size(), dpi);
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

// The pixels `window` shows in `area` (client coordinates) on the screen,
// row by row, as 0xRRGGBB.
std::vector<uint32_t> ScreenPixels(HWND window, RECT area) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return {};
  POINT origin = {area.left, area.top};
  ClientToScreen(window, &origin);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                               static_cast<const uint32_t*>(bits) + static_cast<size_t>(w) * h);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// The contrast of what `window` shows in `area` (client coordinates): the
// colour that stands out most from the commonest one, as painted on the
// screen.
double PaintedContrast(HWND window, RECT area) {
  const std::vector<uint32_t> pixels = ScreenPixels(window, area);
  if (pixels.empty()) return 0;
  std::map<uint32_t, int> counts;
  for (uint32_t p : pixels) ++counts[p];
  uint32_t common = 0;
  int most = 0;
  for (const auto& [colour, n] : counts) {
    if (n > most) most = n, common = colour;
  }
  auto rgb = [](uint32_t c) {
    return q836::Rgb{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                     static_cast<uint8_t>(c)};
  };
  double best = 1;
  for (const auto& [colour, n] : counts)
    best = std::max(best, q836::ContrastRatio(rgb(colour), rgb(common)));
  return best;
}

// Each control with a caption: the caption's contrast on the screen. A
// check box or radio button is measured right of its check glyph, a group
// box along its caption, every other control over its client area.
int PrintContrast(HWND form) {
  const int dpi = q836::WindowDpi(form);
  int problems = 0;
  for (size_t i = 0; i < q836::kControlCount; ++i) {
    const q836::ControlSpec& c = q836::kControls[i];
    const std::wstring cls = c.className;
    const LONG type = c.style & BS_TYPEMASK;
    const bool shows = cls == L"STATIC" || c.id == q836::kIdMemo1 ||
                       (cls == L"BUTTON" && (type == BS_AUTOCHECKBOX ||
                                             type == BS_AUTORADIOBUTTON || type == BS_GROUPBOX));
    if (!shows) continue;
    HWND h = GetDlgItem(form, c.id);
    RECT area;
    GetClientRect(h, &area);
    if (cls == L"BUTTON" && type != BS_GROUPBOX) {
      area.left += GetSystemMetrics(SM_CXMENUCHECK) + q836::Scale(2, dpi);
    } else if (type == BS_GROUPBOX && cls == L"BUTTON") {
      area = {q836::Scale(10, dpi), 0, q836::Scale(60, dpi), q836::Scale(12, dpi)};
    }
    const double contrast = PaintedContrast(h, area);
    if (contrast < 3) {
      std::printf("control %d: contrast %.2f\n", c.id, contrast);
      ++problems;
    }
  }
  if (problems == 0) {
    // The form's own background, where no control stands: between the
    // buttons and the status line.
    HDC dc = GetDC(form);
    const COLORREF back = GetPixel(dc, q836::Scale(400, dpi), q836::Scale(285, dpi));
    ReleaseDC(form, dc);
    std::printf("captions stand out on %d %d %d\n", GetRValue(back), GetGValue(back),
                GetBValue(back));
  }
  return 0;
}

// The memo wraps a line wider than its text area: as many display lines as
// text lines means every line fits.
int PrintMemoFit(HWND memo) {
  const std::wstring text = EditText(memo);
  size_t lines = 1;
  for (size_t at = 0; (at = text.find(L"\r\n", at)) != std::wstring::npos; at += 2) ++lines;
  const LRESULT shown = SendMessageW(memo, EM_GETLINECOUNT, 0, 0);
  if (static_cast<size_t>(shown) == lines) {
    std::printf("memo lines fit: %zu, first shown %ld\n", lines,
                static_cast<long>(SendMessageW(memo, EM_GETFIRSTVISIBLELINE, 0, 0)));
  } else {
    std::printf("memo wraps: %ld display lines for %zu lines\n", static_cast<long>(shown), lines);
  }
  return 0;
}

// The pixels of a window's client area as the screen shows them.
std::vector<uint32_t> ScreenPixels(HWND window, int* width, int* height) {
  RECT r;
  GetClientRect(window, &r);
  *width = r.right, *height = r.bottom;
  return ScreenPixels(window, r);
}

uint64_t Hash(const std::vector<uint32_t>& pixels) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t p : pixels) h = (h ^ p) * 1099511628211ull;
  return h;
}

int PrintView(HWND view) {
  if (!IsWindowVisible(view)) {
    std::printf("view hidden\n");
    return 0;
  }
  POINT origin = {0, 0};
  ClientToScreen(view, &origin);
  int w, h;
  const std::vector<uint32_t> pixels = ScreenPixels(view, &w, &h);
  q836::SystemColours system;
  system.window = system.buttonFace = {255, 255, 255};
  const q836::Palette palette = q836::ChoosePalette(system);
  auto value = [](q836::Rgb c) { return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b; };
  long counts[2][2] = {};  // [left, right][converted, kept]
  long fills[2] = {};      // converted, kept
  long note = 0;           // pixels of the designed text colour: the empty view's note
  std::map<uint32_t, long> legend;
  const uint32_t convertedFill = value(q836::SolidFill(palette.viewConverted, palette.viewBack));
  const uint32_t keptFill = value(q836::SolidFill(palette.viewKept, palette.viewBack));
  const RECT box = q836::LegendRect(q836::WindowDpi(view));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * w + x];
      if (x >= box.left && x < box.right && y >= box.top && y < box.bottom) {
        ++legend[p];  // the legend is not the picture
        continue;
      }
      if (p == value(palette.viewConverted)) ++counts[x >= w / 2][0];
      if (p == value(palette.viewKept)) ++counts[x >= w / 2][1];
      if (p == convertedFill) ++fills[0];
      if (p == keptFill) ++fills[1];
      if (p == value(palette.viewText)) ++note;
    }
  }
  std::printf("view %ld %ld %d %d\n", static_cast<long>(origin.x), static_cast<long>(origin.y), w,
              h);
  std::printf("left converted %ld kept %ld right converted %ld kept %ld\n", counts[0][0],
              counts[0][1], counts[1][0], counts[1][1]);
  std::printf("hash %016llx\n", static_cast<unsigned long long>(Hash(pixels)));
  std::printf("fill converted %ld kept %ld\n", fills[0], fills[1]);
  std::printf("note %ld\n", note);
  // The colours of the legend's swatches: those of a swatch's area at least.
  std::string colours;
  const int swatch = q836::Scale(9, q836::WindowDpi(view));
  for (const auto& [colour, n] : legend) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%06x", static_cast<unsigned>(colour));
    if (n >= swatch * swatch * 3 / 4) colours += std::string(" ") + hex;
  }
  std::printf("legend%s\n", colours.c_str());
  return 0;
}

int PrintRadius(HWND edit) {
  const std::wstring text = EditText(edit);
  DWORD start = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  std::printf("radius %s first %ld caret %lu\n", q836::Utf8(text).c_str(),
              static_cast<long>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0)),
              static_cast<unsigned long>(start));
  return 0;
}

int PrintEditLatency(HWND form, int times) {
  HWND edit = GetDlgItem(form, q836::kIdEdit1);
  HWND view = GetDlgItem(form, q836::kIdDrawingView);
  std::vector<double> ms;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  int w, h;
  for (int i = 0; i < times; ++i) {
    SendMessageW(edit, EM_SETSEL, 0, -1);
    Sleep(300);  // the previous picture is done
    const uint64_t before = Hash(ScreenPixels(view, &w, &h));
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    PostMessageW(edit, WM_CHAR, i % 2 ? L'0' : L'9', 1);
    for (;;) {
      QueryPerformanceCounter(&now);
      const double elapsed = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                             static_cast<double>(frequency.QuadPart);
      if (Hash(ScreenPixels(view, &w, &h)) != before || elapsed > 10000) {
        ms.push_back(elapsed);
        break;
      }
    }
  }
  std::sort(ms.begin(), ms.end());
  std::printf("edit to view: median %.1f ms, worst %.1f ms over %d edits\n", ms[ms.size() / 2],
              ms.back(), times);
  return 0;
}

int Bench(const std::wstring& exe, int edits) {
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  auto elapsed = [&] {
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
  };
  std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    return 1;
  }
  HWND form = nullptr;
  while (!form || !IsWindowVisible(form)) {
    if (elapsed() > 60000) return 1;
    form = FindWindowW(L"TForm1", L"円→点変換");
    Sleep(1);
  }
  const double shown = elapsed();
  HWND view = GetDlgItem(form, q836::kIdDrawingView);
  double picture = -1;
  if (IsWindowVisible(view)) {
    for (;;) {
      int w, h;
      const std::vector<uint32_t> pixels = ScreenPixels(view, &w, &h);
      // Anything but the background and the focus rectangle's corners.
      long drawn = 0;
      for (uint32_t p : pixels) drawn += p != 0xFFFFFF;
      if (drawn > 8 || elapsed() > 60000) break;
      Sleep(1);
    }
    picture = elapsed();
  }
  std::printf("dialog shown after %.0f ms, its drawing after %.0f ms\n", shown, picture);
  if (picture >= 0 && edits > 0) PrintEditLatency(form, edits);
  PostMessageW(form, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.hProcess, 60000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // LF stays LF
  if (argc > 3 && std::wstring(argv[1]) == L"--bench") {
    return Bench(argv[2], static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
  }
  if (argc > 1 && std::wstring(argv[1]) == L"--focus") return PrintFocus();
  if (argc > 1 && std::wstring(argv[1]) == L"--foreground") {
    HWND form = FindWindowW(L"TForm1", L"円→点変換");
    std::puts(form && GetForegroundWindow() == form ? "foreground form" : "foreground other");
    return 0;
  }
  if (argc > 1 && std::wstring(argv[1]) == L"--geometry") {
    HWND form = FindWindowW(L"TForm1", L"円→点変換");
    return form ? PrintGeometry(form) : 1;
  }
  HWND form = FindWindowW(L"TForm1", L"円→点変換");
  if (argc > 1 && std::wstring(argv[1]) == L"--contrast") return form ? PrintContrast(form) : 1;
  if (argc > 1 && std::wstring(argv[1]) == L"--view") {
    return form ? PrintView(GetDlgItem(form, q836::kIdDrawingView)) : 1;
  }
  if (argc > 2 && std::wstring(argv[1]) == L"--edit-latency") {
    return form ? PrintEditLatency(form,
                                   std::max(1, static_cast<int>(std::wcstol(argv[2], nullptr, 10))))
                : 1;
  }
  if (argc > 1 && std::wstring(argv[1]) == L"--radius") {
    return form ? PrintRadius(GetDlgItem(form, q836::kIdEdit1)) : 1;
  }
  if (argc > 1 && std::wstring(argv[1]) == L"--memo") {
    return form ? PrintMemoFit(GetDlgItem(form, q836::kIdMemo1)) : 1;
  }
  if (argc > 3 && std::wstring(argv[1]) == L"--set") {
    if (!form) return 1;
    SendMessageW(GetDlgItem(form, std::wcstol(argv[2], nullptr, 10)), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(argv[3]));
    return 0;
  }
  if (argc > 1 && std::wstring(argv[1]) == L"--fit") {
    HWND strip = Source(false);
    return strip ? PrintFit(strip) : 1;
  }
  HWND source = Source(argc > 1 && std::wstring(argv[1]) == L"--message");
  if (!source) return 1;
  const std::wstring text = WindowText(source);
  std::string out;
  for (char c : q836::Utf8(text)) {
    if (c != '\r') out += c;
  }
  if (!out.empty()) out += '\n';
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
