#include "win32/drawing_view-win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <optional>
#include <vector>

#include "text/wide_text.h"
#include "view/view_model.h"
#include "win32/bitmap_canvas-win32.h"
#include "win32/colours-win32.h"
#include "win32/dpi-win32.h"
#include "win32/view_loader-win32.h"

namespace q836 {

namespace {

constexpr wchar_t kClassName[] = L"q836DrawingView";
constexpr UINT kLoadMessage = WM_APP + 1;    // the dialog is on its way to the screen
constexpr UINT kLoadedMessage = WM_APP + 2;  // the loading threads are done
constexpr double kWheelZoom = 1.25;          // per notch
constexpr int kDragThreshold = 3;            // pixels the mouse moves before a press drags
constexpr double kPickTolerance = 3;         // pixels round a figure a click or hover finds it
constexpr int kLegendFontHeight = 12;        // pixels at 96 DPI

// Whether input (or another program's question) waits that a picture in
// progress should give way to.
bool InputWaiting() {
  return HIWORD(GetQueueStatus(QS_KEY | QS_MOUSEBUTTON | QS_SENDMESSAGE)) != 0;
}

}  // namespace

struct DrawingView::State {
  HWND hwnd = nullptr;
  DrawingViewHost* host = nullptr;
  HWND tooltip = nullptr;
  ViewModel model;
  ViewLoader loader;
  bool loaded = false;     // the selection taken
  bool gone = false;       // the drawing converted or freed: the model must not read it
  bool paintSoon = false;  // the loading paints after the view's next paint
  Palette palette;
  int dpi = 96;
  // The pictures kept between paints: the figures no edit changes; with
  // them the candidates, of the kinds chosen in the kept colour; and the
  // frame shown, with the converted ones over it.
  Bitmap figures, kept, frame;
  bool figuresValid = false, keptValid = false, frameValid = false;
  ConversionChoice keptFor, frameFor;  // what the pictures were painted for
  bool focused = false;
  // A press of the left button: where, and whether it has become a drag.
  bool pressed = false, dragging = false;
  POINT pressAt = {}, lastAt = {};
  std::wstring tip;
  bool tracking = false;

  void Invalidate(bool figuresToo) {
    if (figuresToo) figuresValid = false;
    keptValid = frameValid = false;
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  /// The pictures' size: the client area, at least a pixel each way.
  SIZE PictureSize() const {
    RECT r;
    GetClientRect(hwnd, &r);
    return {std::max<LONG>(r.right, 1), std::max<LONG>(r.bottom, 1)};
  }
  /// The width of the marker drawn at a converted figure's centre (odd).
  int MarkerSize() const { return Scale(7, dpi) | 1; }
  void Load();
  void Loaded();
  void Paint();
  void PaintLegend(HDC dc) const;
  bool Render();
  void Resized();
  void Zoom(double factor, double x, double y) {
    model.ZoomAt(factor, x, y);
    Invalidate(true);
  }
  void Pan(double dx, double dy) {
    model.Pan(dx, dy);
    Invalidate(true);
  }
  void Fit() {
    model.Fit();
    Invalidate(true);
  }
  void Click(POINT at);
  void Hover(POINT at);
  void HideTip();
  bool Key(WPARAM key);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
};

// Starts taking the loaded selection on threads of their own; the window
// answers the user meanwhile.
void DrawingView::State::Load() {
  if (loaded || loader.Running()) return;
  if (loader.Start(hwnd, kLoadedMessage)) {
    paintSoon = true;
    InvalidateRect(hwnd, nullptr, FALSE);
    return;
  }
  try {
    model.Build();  // no thread: here and now
  } catch (const std::bad_alloc&) {
    model = ViewModel();  // the view stays empty; the dialog works without it
  }
  loaded = true;
  Resized();
}

// The threads are done: their model, and their pictures where the view
// still has the size and colours they were painted for.
void DrawingView::State::Loaded() {
  if (loaded) return;  // let go of the drawing meanwhile
  std::unique_ptr<LoadedView> view = loader.Take();
  loaded = true;
  if (!view) {
    model = ViewModel();  // out of memory: the view stays empty
    Resized();
    return;
  }
  model = std::move(view->model);
  const SIZE size = PictureSize();
  if (!view->pictures || size.cx != view->width || size.cy != view->height ||
      !(palette == view->palette) || MarkerSize() != view->marker) {
    Resized();
    return;
  }
  figures.Swap(view->figures);
  kept.Swap(view->kept);
  figuresValid = keptValid = true;
  keptFor = view->choice;
  frameValid = false;
  InvalidateRect(hwnd, nullptr, FALSE);
}

void DrawingView::State::Resized() {
  const SIZE size = PictureSize();
  model.SetSize(size.cx, size.cy, MarkerSize());
  Invalidate(true);
}

// Brings the cached pictures up to date; false when input overtook it
// (the view stays invalid and is painted again when the input is handled).
// A larger limit paints only the figures it adds to the frame; any other
// edit paints the converted ones anew over the kept picture.
bool DrawingView::State::Render() {
  if (gone) return true;  // the drawing is gone: the picture stays as it is
  const SIZE size = PictureSize();
  HDC screen = GetDC(hwnd);
  const int w = size.cx, h = size.cy;
  const bool sized =
      figures.Resize(screen, w, h) && kept.Resize(screen, w, h) && frame.Resize(screen, w, h);
  ReleaseDC(hwnd, screen);
  if (!sized) return true;  // no bitmap: nothing but the background
  const Overtaken overtaken = [] { return InputWaiting(); };
  if (!figuresValid) {
    figures.Fill(palette.viewBack);
    if (loaded) {
      BitmapCanvas canvas(figures);
      if (!model.PaintFigures(canvas, palette, overtaken)) return false;
    }
    figuresValid = true;
    keptValid = false;
  }
  const ConversionChoice choice = host->Choice();
  if (!keptValid || keptFor.chosen != choice.chosen) {
    frameValid = false;
    kept.CopyFrom(figures);
    if (loaded) {
      BitmapCanvas canvas(kept);
      if (!model.PaintClass(canvas, palette, choice, FigureClass::kFigure, 0, overtaken) ||
          !model.PaintClass(canvas, palette, choice, FigureClass::kKept, 0, overtaken)) {
        return false;
      }
    }
    keptValid = true;
    keptFor = choice;
  }
  const bool sameMarks = frameValid && frameFor.chosen == choice.chosen &&
                         frameFor.asPoint == choice.asPoint &&
                         frameFor.markerIndex == choice.markerIndex && !frameFor.refused &&
                         frameFor.from == choice.from;
  if (sameMarks && !choice.refused && frameFor.limit == choice.limit) return true;
  double above = -HUGE_VAL;
  if (sameMarks && !choice.refused && choice.limit > frameFor.limit) {
    above = frameFor.limit;  // the frame holds every figure up to there
  } else {
    frame.CopyFrom(kept);
  }
  frameValid = false;  // until the converted figures are all painted
  if (loaded) {
    BitmapCanvas canvas(frame);
    if (!model.PaintClass(canvas, palette, choice, FigureClass::kConverted, above, overtaken))
      return false;
    // A larger limit's results cover the centres it converts; the marks
    // of the others stay.
    if (above == -HUGE_VAL && !model.PaintKeptCentres(canvas, palette, choice, overtaken))
      return false;
  }
  frameValid = true;
  frameFor = choice;
  return true;
}

void DrawingView::State::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  bool done = true;
  try {
    done = Render();
  } catch (const std::bad_alloc&) {
    // Out of memory for the picture: the view shows what it has; the
    // dialog works on without it.
    figuresValid = keptValid = frameValid = true;
  }
  if (frame.Dc()) {
    BitBlt(dc, 0, 0, frame.Width(), frame.Height(), frame.Dc(), 0, 0, SRCCOPY);
  }
  if (loaded) PaintLegend(dc);
  if (focused) {
    RECT r;
    GetClientRect(hwnd, &r);
    InflateRect(&r, -1, -1);
    SetTextColor(dc, ColourRef(palette.viewKept));
    SetBkColor(dc, ColourRef(palette.viewBack));
    DrawFocusRect(dc, &r);
  }
  EndPaint(hwnd, &ps);
  if (!done) InvalidateRect(hwnd, nullptr, FALSE);  // finished after the input
  if (paintSoon) {
    // On the screen now: the loading may take the processors for the
    // pictures.
    paintSoon = false;
    const SIZE size = PictureSize();
    loader.Paint(palette, host->Choice(), size.cx, size.cy, MarkerSize());
  }
}

// What the colours mean, over the picture's top left corner; an empty
// selection says so instead.
void DrawingView::State::PaintLegend(HDC dc) const {
  HFONT font = CreateDialogFont(kLegendFontHeight, dpi);
  const HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColourRef(palette.viewText));
  if (model.FigureCount() == 0) {
    RECT r;
    GetClientRect(hwnd, &r);
    DrawTextW(dc, L"図形がありません", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  } else {
    const RECT box = LegendRect(dpi);
    HBRUSH back = CreateSolidBrush(ColourRef(palette.viewBack));
    FillRect(dc, &box, back);
    DeleteObject(back);
    const struct {
      const wchar_t* text;
      Rgb colour;
    } entries[] = {{L"変換", palette.viewConverted},
                   {L"残す", palette.viewKept},
                   {L"対象外", palette.viewFigure}};
    const int swatch = Scale(9, dpi), middle = (box.top + box.bottom) / 2;
    int x = box.left + Scale(3, dpi);
    for (const auto& e : entries) {
      const RECT square = {x, middle - swatch / 2, x + swatch, middle - swatch / 2 + swatch};
      HBRUSH brush = CreateSolidBrush(ColourRef(e.colour));
      FillRect(dc, &square, brush);
      DeleteObject(brush);
      x += swatch + Scale(3, dpi);
      const int length = static_cast<int>(wcslen(e.text));
      SIZE size = {};
      GetTextExtentPoint32W(dc, e.text, length, &size);
      TextOutW(dc, x, middle - size.cy / 2, e.text, length);
      x += size.cx + Scale(8, dpi);
    }
  }
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

void DrawingView::State::Click(POINT at) {
  if (!loaded || gone) return;
  const ConversionChoice choice = host->Choice();
  const std::optional<FigureRef> hit = model.HitTest(at.x, at.y, Scale(3, dpi), choice);
  if (!hit || ClassOf(choice, *hit) == FigureClass::kFigure) return;
  // Shift+click sets the lower limit, a click the limit itself.
  if (GetKeyState(VK_SHIFT) & 0x8000) {
    host->PickLowerLimit(RadiusFromText(RadiusOf(*hit)));
  } else {
    host->PickRadius(RadiusText(RadiusOf(*hit)));
  }
}

void DrawingView::State::Hover(POINT at) {
  if (!loaded || gone || !tooltip) return;
  const ConversionChoice choice = host->Choice();
  const std::optional<FigureRef> hit = model.HitTest(at.x, at.y, Scale(3, dpi), choice);
  if (!hit) return;
  tip = Utf16(DescribeFigure(*hit, choice));
  TOOLINFOW info = {};
  info.cbSize = sizeof info;
  info.hwnd = hwnd;
  info.uId = 1;
  info.lpszText = tip.data();
  SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
  POINT screen = {at.x + Scale(12, dpi), at.y + Scale(16, dpi)};
  ClientToScreen(hwnd, &screen);
  SendMessageW(tooltip, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
  SendMessageW(tooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
}

void DrawingView::State::HideTip() {
  if (!tooltip) return;
  TOOLINFOW info = {};
  info.cbSize = sizeof info;
  info.hwnd = hwnd;
  info.uId = 1;
  SendMessageW(tooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
}

// The keys of the focused view; false for every other key.
bool DrawingView::State::Key(WPARAM key) {
  const double step = std::max(model.Width(), model.Height()) / 8.0;
  const double cx = model.Width() / 2.0, cy = model.Height() / 2.0;
  switch (key) {
    case VK_LEFT:
      Pan(step, 0);
      return true;
    case VK_RIGHT:
      Pan(-step, 0);
      return true;
    case VK_UP:
      Pan(0, step);
      return true;
    case VK_DOWN:
      Pan(0, -step);
      return true;
    case VK_ADD:
    case VK_OEM_PLUS:
      Zoom(kWheelZoom, cx, cy);
      return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
      Zoom(1 / kWheelZoom, cx, cy);
      return true;
    case VK_HOME:
      Fit();
      return true;
    case 'Z':
    case 'Y':
      if (!(GetKeyState(VK_CONTROL) & 0x8000)) return false;
      host->StepPicks(key == 'Y' || (GetKeyState(VK_SHIFT) & 0x8000));
      return true;
  }
  return false;
}

LRESULT DrawingView::State::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return TRUE;  // the bitmap covers every pixel
    case WM_SIZE:
      Resized();
      return 0;
    case kLoadMessage:
      Load();
      return 0;
    case kLoadedMessage:
      Loaded();
      return 0;
    case WM_GETDLGCODE: {
      // The arrows and + and − are the view's; Enter, Esc, Tab and the
      // access keys stay the dialog's.
      const MSG* msg = reinterpret_cast<const MSG*>(lParam);
      if (msg && msg->message == WM_KEYDOWN &&
          (msg->wParam == VK_ADD || msg->wParam == VK_SUBTRACT || msg->wParam == VK_OEM_PLUS ||
           msg->wParam == VK_OEM_MINUS || msg->wParam == VK_HOME)) {
        return DLGC_WANTARROWS | DLGC_WANTMESSAGE;
      }
      return DLGC_WANTARROWS;
    }
    case WM_KEYDOWN:
      if (Key(wParam)) return 0;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      focused = message == WM_SETFOCUS;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_MOUSEWHEEL: {
      POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(hwnd, &at);
      const double notches = GET_WHEEL_DELTA_WPARAM(wParam) / static_cast<double>(WHEEL_DELTA);
      HideTip();
      Zoom(std::pow(kWheelZoom, notches), at.x, at.y);
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      SetCapture(hwnd);
      pressed = true, dragging = false;
      pressAt = lastAt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      HideTip();
      return 0;
    case WM_MOUSEMOVE: {
      const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (pressed) {
        if (!dragging && (std::abs(at.x - pressAt.x) > kDragThreshold ||
                          std::abs(at.y - pressAt.y) > kDragThreshold)) {
          dragging = true;
        }
        if (dragging) Pan(at.x - lastAt.x, at.y - lastAt.y);
        lastAt = at;
        return 0;
      }
      if (at.x != lastAt.x || at.y != lastAt.y) HideTip();
      lastAt = at;
      // Hover, not every move, asks which figure is under the mouse.
      TRACKMOUSEEVENT track = {sizeof track, TME_HOVER | TME_LEAVE, hwnd, HOVER_DEFAULT};
      TrackMouseEvent(&track);
      return 0;
    }
    case WM_MOUSEHOVER:
      Hover({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_MOUSELEAVE:
      HideTip();
      return 0;
    case WM_LBUTTONUP:
      if (pressed) {
        pressed = false;
        ReleaseCapture();
        if (!dragging) Click({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      }
      return 0;
    case WM_CAPTURECHANGED:
      pressed = false;
      return 0;
    case WM_LBUTTONDBLCLK:
      Fit();
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

namespace {

LRESULT CALLBACK ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<DrawingView::State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    state =
        static_cast<DrawingView::State*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    state->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  }
  if (state && state->hwnd) return state->Handle(message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

DrawingView::DrawingView() : state_(std::make_unique<State>()) {}
DrawingView::~DrawingView() = default;

bool DrawingView::Create(HINSTANCE instance, HWND parent, int id, DrawingViewHost& host) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ViewProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_CROSS);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);  // fails harmlessly when registered already
  state_->host = &host;
  hwnd_ = CreateWindowExW(
      0, kClassName, L"図", WS_CHILD | WS_BORDER | WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS, 0, 0, 0,
      0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, state_.get());
  if (!hwnd_) return false;
  state_->tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                    WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0, parent,
                                    nullptr, instance, nullptr);
  if (state_->tooltip) {
    TOOLINFOW info = {};
    info.cbSize = sizeof info;
    info.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    info.hwnd = hwnd_;
    info.uId = 1;
    info.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(state_->tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageW(state_->tooltip, TTM_SETMAXTIPWIDTH, 0, 600);
  }
  return true;
}

void DrawingView::LoadSoon() {
  // A message comes after the dialog has been shown: the threads start
  // then, not while the window system sets the dialog up.
  PostMessageW(hwnd_, kLoadMessage, 0, 0);
}

void DrawingView::LetGo() {
  state_->loader.Cancel();
  state_->loaded = state_->gone = true;  // nothing more to take or to read
}
void DrawingView::ChoiceChanged() {
  // The paint compares the choice with the one the pictures hold.
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void DrawingView::SetPalette(const Palette& palette) {
  state_->palette = palette;
  if (hwnd_) state_->Invalidate(true);
}

void DrawingView::Place(const RECT& rect, int dpi) {
  state_->dpi = dpi;
  SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  state_->Resized();
}

}  // namespace q836
