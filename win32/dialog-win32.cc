#include "win32/dialog-win32.h"

#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "text/wide_text.h"
#include "tool/form1.h"
#include "tool/window_position.h"
#include "view/pick_history.h"
#include "win32/application-win32.h"
#include "win32/banner-win32.h"
#include "win32/colours-win32.h"
#include "win32/control_ids-win32.h"
#include "win32/control_table-win32.h"
#include "win32/dpi-win32.h"
#include "win32/drawing_view-win32.h"
#include "win32/res/resource.h"
#include "win32/single_run-win32.h"
#include "win32/strip-win32.h"

namespace q836 {

namespace {

// The running executable's full path.
std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The exchange file the host writes beside the executable.
std::wstring ExchangeFileBesideExe() {
  std::wstring path = ModulePath();
  path.resize(path.find_last_of(L"\\/") + 1);
  return path + L"JWC_TEMP.TXT";
}

class AsyncEscapeKey : public EscapeKey {
 public:
  bool IsDown() override { return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0; }
};

// The window of TForm1 and the platform side of its host interface.
class Dialog : public FormHost, public DrawingViewHost {
 public:
  Dialog(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner), form_(*this) {}

  bool Create();
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  HWND Window() const { return hwnd_; }
  void Attach(HWND hwnd) { hwnd_ = hwnd; }

  // FormHost
  std::string Text(Control c) override {
    HWND h = Item(c);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
    return Utf8(text);
  }
  void SetText(Control c, std::string_view text) override {
    SetWindowTextW(Item(c), Utf16(text).c_str());
  }
  bool Checked(Control c) override {
    return SendMessageW(Item(c), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void SetChecked(Control c, bool checked) override {
    SendMessageW(Item(c), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  int32_t ItemIndex(Control c) override {
    return static_cast<int32_t>(SendMessageW(Item(c), CB_GETCURSEL, 0, 0));
  }
  void SetItemIndex(Control c, int32_t index) override {
    SendMessageW(Item(c), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  void SetEnabled(Control c, bool enabled) override { EnableWindow(Item(c), enabled); }
  void FocusText(Control c) override {
    SetFocus(Item(c));
    SendMessageW(Item(c), EM_SETSEL, 0, -1);
  }
  void Repaint(Control c) override {  // at once: the write-back's progress shows meanwhile
    RedrawWindow(Item(c), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  int32_t Left() override { return WindowRect().left; }
  int32_t Top() override { return WindowRect().top; }
  void MoveTo(int32_t left, int32_t top) override;
  void DestroyWindow() override { ::DestroyWindow(hwnd_); }
  void ShowMessage(std::string_view text) override {
    MessageBoxW(hwnd_, Utf16(text).c_str(), L"q836_円→点変換", MB_OK | MB_ICONERROR);
  }
  bool AskRetry(std::string_view text) override {
    return MessageBoxW(hwnd_, Utf16(text).c_str(), L"q836_円→点変換",
                       MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
  }
  std::string ExecutablePath() override;
  EscapeKey& Escape() override { return escape_; }
  void StartBanner(const std::string& url) override;
  void DrawingChanging() override { view_.LetGo(); }

  // DrawingViewHost
  ConversionChoice Choice() override { return ChoiceFromControls(*this); }
  void PickRadius(const std::string& text) override;
  void PickLowerLimit(const std::string& text) override { SetEditText(Control::Edit3, text, true); }
  void StepPicks(bool redo) override { StepPicksIn(redo); }
  /// One step through the picks, if 半径 shows one; false where there is
  /// none (the edit's own undo then applies).
  bool StepPicksIn(bool redo);

 private:
  HWND Item(Control c) const { return GetDlgItem(hwnd_, ControlIdOf(c)); }
  RECT WindowRect() const {
    RECT r;
    GetWindowRect(hwnd_, &r);
    return r;
  }
  void CreateControls();
  void LayOut();
  SIZE WindowSize() const;
  void DpiChanged(int dpi, const RECT& suggested);
  void Command(int id, int code);
  void NextControl(WPARAM wParam, bool explicitWindow);
  void Activate(bool active);
  void UpdatePreview();
  void SetEditText(Control control, const std::string& text, bool undoable);
  void DrawStrip(const DRAWITEMSTRUCT& item);
  void ApplyColours();
  void ShowView(bool shown);
  // Runs an event handler; an exception escaping it is shown, as the
  // application's general error report does, and the dialog stays open.
  template <typename Handler>
  void Dispatch(Handler handler);

  HINSTANCE instance_;
  HWND owner_;
  HWND hwnd_ = nullptr;
  HWND panel_ = nullptr;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  HFONT titleFont_ = nullptr;
  FormColours colours_;
  HWND focused_ = nullptr;   // the control that had the focus when the form was deactivated
  HWND moveFrom_ = nullptr;  // a window that cannot take the focus, where the next move starts
  bool shown_ = false;       // the show handler has filled the controls
  std::vector<PreviewLine> preview_;
  DrawingView view_;
  PickHistory picks_;
  AsyncEscapeKey escape_;
  TForm1 form_;
};

LRESULT CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    dialog = static_cast<Dialog*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
    dialog->Attach(hwnd);
  }
  if (dialog) return dialog->Handle(message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool Dialog::Create() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DialogProc;
  wc.hInstance = instance_;
  wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_Q836));
  wc.hIconSm =
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_Q836), IMAGE_ICON, 16, 16, 0));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;  // painted in the palette's colour
  wc.lpszClassName = L"TForm1";
  if (!RegisterClassExW(&wc)) return false;

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER;
  // The design position; the show handler moves the form to the saved one.
  // The size follows once the window knows its monitor's DPI.
  hwnd_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, L"TForm1", L"円→点変換", style,
                          202, 107, kClientWidth, kClientHeight, owner_, nullptr, instance_, this);
  if (!hwnd_) return false;
  dpi_ = WindowDpi(hwnd_);
  const SIZE size = WindowSize();
  SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CreateControls();
  Dispatch([this] { form_.FormShow(); });
  if (form_.Closed()) return true;  // the run has ended already; the quit message follows
  shown_ = true;
  ShowView(form_.ShowView);
  UpdatePreview();
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  focused_ = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  SetFocus(focused_);
  return true;
}

void Dialog::StartBanner(const std::string& url) {
  // The banner panel sits at a negative offset inside the strip, so only the
  // top left of the page shows, without border or scroll bars.
  panel_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_BORDER,
                           Scale(-3, dpi_), Scale(-3, dpi_), Scale(600, dpi_), Scale(200, dpi_),
                           GetDlgItem(hwnd_, kIdScrollBox1), nullptr, instance_, nullptr);
  StartBannerBrowser(panel_, Utf16(url));
}

// The strip shows what OK would do, unless it carries the banner. Its window
// text holds the same lines, for accessibility tools and tests.
void Dialog::UpdatePreview() {
  if (!shown_ || panel_) return;
  preview_ = form_.Preview();
  if (form_.Closed()) return;  // the preview ran out of memory and ended the run
  HWND strip = GetDlgItem(hwnd_, kIdScrollBox1);
  SetWindowTextW(strip, Utf16(PreviewText(preview_, "\r\n")).c_str());
  InvalidateRect(strip, nullptr, TRUE);
  view_.ChoiceChanged();
}

// The drawing view beside the controls, or not: the window grows to the
// right by the view and shrinks back, the controls staying where they are.
void Dialog::ShowView(bool shown) {
  form_.ShowView = shown;
  HWND view = view_.Window();
  if (!shown && GetFocus() == view) SetFocus(GetDlgItem(hwnd_, kIdViewButton));
  ShowWindow(view, shown ? SW_SHOWNA : SW_HIDE);
  if (shown) view_.LoadSoon();  // a hidden view never takes the selection
  const SIZE size = WindowSize();
  SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A click in the view picked a radius: typed into 半径 as one undoable
// replacement, and a step of the picks.
void Dialog::PickRadius(const std::string& text) {
  picks_.Picked(Text(Control::Edit1), text);
  SetEditText(Control::Edit1, text, true);
}

bool Dialog::StepPicksIn(bool redo) {
  const std::string current = Text(Control::Edit1);
  const std::optional<std::string> to = redo ? picks_.Redo(current) : picks_.Undo(current);
  if (!to) return false;
  SetEditText(Control::Edit1, *to, false);
  return true;
}

// 半径 or the lower limit becomes `text`, long enough for every digit it
// needs, shown from its start (a long radius would otherwise show its last
// digits only).
void Dialog::SetEditText(Control control, const std::string& text, bool undoable) {
  HWND edit = Item(control);
  const std::wstring wide = Utf16(text);
  SendMessageW(edit, EM_LIMITTEXT, std::max<size_t>(16, wide.size()), 0);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, EM_REPLACESEL, undoable, reinterpret_cast<LPARAM>(wide.c_str()));
  SendMessageW(edit, EM_SETSEL, 0, 0);
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

// Ctrl+Z in 半径 steps back through the picks, Ctrl+Y and Ctrl+Shift+Z
// forward, while it shows one; otherwise the edit undoes typing itself.
LRESULT CALLBACK RadiusEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR data) {
  if (message == WM_CHAR && (wParam == 0x1A || wParam == 0x19)) {
    const bool redo = wParam == 0x19 || (GetKeyState(VK_SHIFT) & 0x8000);
    if (reinterpret_cast<Dialog*>(data)->StepPicksIn(redo)) return 0;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

void Dialog::DrawStrip(const DRAWITEMSTRUCT& item) {
  if (panel_) {
    FillRect(item.hDC, &item.rcItem, colours_.Brush(kFormSurface));
    return;
  }
  const Palette& palette = colours_.Colours();
  PaintStrip(item.hDC, item.rcItem, font_, colours_.Brush(kFormSurface),
             ColourRef(palette.text[kFormSurface]), ColourRef(palette.warning), preview_, dpi_);
}

// Enter in the read-only memo presses the default button and Esc the
// cancel button, as from every other control: the memo does not ask for
// them when the dialog manager queries it. Tab into it leaves its caret
// where it was (at the start at first), instead of selecting all of it and
// showing its end.
LRESULT CALLBACK MemoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR) {
  if (message == WM_GETDLGCODE) {
    LRESULT code = DefSubclassProc(hwnd, message, wParam, lParam);
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (msg && msg->message == WM_KEYDOWN &&
        (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
      code &= ~(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    }
    return code & ~DLGC_HASSETSEL;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// The form gives the focus back to the control that had it when it was
// deactivated (a task switch, a click elsewhere, minimising).
void Dialog::Activate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) focused_ = focus;
    return;
  }
  if (IsIconic(hwnd_)) return;
  HWND target = focused_;
  if (!target || !IsWindow(target) || !IsWindowEnabled(target) || !IsWindowVisible(target)) {
    target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  }
  if (target) SetFocus(target);
}

void Dialog::CreateControls() {
  for (size_t i = 0; i < kControlCount; ++i) {
    const ControlSpec& c = kControls[i];
    CreateWindowExW(c.exStyle, c.className, c.text, c.style, 0, 0, 0, 0, hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
  }
  view_.Create(instance_, hwnd_, kIdDrawingView, *this);
  ApplyColours();
  LayOut();
  for (int id : {kIdEdit1, kIdEdit2, kIdEdit3}) {
    SendMessageW(GetDlgItem(hwnd_, id), EM_LIMITTEXT, 16, 0);
    ImmAssociateContext(GetDlgItem(hwnd_, id), nullptr);  // the input method stays off
  }
  HWND combo = GetDlgItem(hwnd_, kIdComboBox1);
  for (const char* shape : kMarkerShapes) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf16(shape).c_str()));
  }
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  ImmAssociateContext(combo, nullptr);
  SetWindowTextW(GetDlgItem(hwnd_, kIdMemo1), Utf16(kMemoText).c_str());
  SetWindowSubclass(GetDlgItem(hwnd_, kIdMemo1), MemoProc, 0, 0);
  SetWindowSubclass(GetDlgItem(hwnd_, kIdEdit1), RadiusEditProc, 0,
                    reinterpret_cast<DWORD_PTR>(this));
  for (int id : {kIdGroupBox1, kIdGroupBox2}) colours_.PaintGroupBox(GetDlgItem(hwnd_, id));
}

// Places every control and sizes the client area for the window's DPI, with
// fonts of that size: at 96 DPI the design itself.
void Dialog::LayOut() {
  HFONT font = CreateDialogFont(kFontHeight, dpi_);
  HFONT titleFont = CreateDialogFont(kTitleFontHeight, dpi_);
  for (size_t i = 0; i < kControlCount; ++i) {
    const ControlSpec& c = kControls[i];
    const RECT r = ControlRect(c, dpi_);
    HWND h = GetDlgItem(hwnd_, c.id);
    SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(c.id == kIdLabel1 ? titleFont : font),
                 TRUE);
  }
  view_.Place(ViewRect(dpi_), dpi_);
  if (panel_) {
    SetWindowPos(panel_, nullptr, Scale(-3, dpi_), Scale(-3, dpi_), Scale(600, dpi_),
                 Scale(200, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  DeleteObject(font_);
  DeleteObject(titleFont_);
  font_ = font;
  titleFont_ = titleFont;
}

// The window's size for its client area at the window's DPI.
SIZE Dialog::WindowSize() const {
  const int width = form_.ShowView && shown_ ? kClientWidth + kClientHeight : kClientWidth;
  RECT r = {0, 0, Scale(width, dpi_), Scale(kClientHeight, dpi_)};
  AdjustWindowRectForDpi(&r, GetWindowLongW(hwnd_, GWL_STYLE), GetWindowLongW(hwnd_, GWL_EXSTYLE),
                         dpi_);
  return {r.right - r.left, r.bottom - r.top};
}

// Moved to a monitor of another DPI: the same dialog laid out anew, in the
// rectangle Windows suggests; focus, texts, check states and the strip stay.
void Dialog::DpiChanged(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  LayOut();
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Dialog::MoveTo(int32_t left, int32_t top) {
  const RECT r = WindowRect();
  const LONG width = r.right - r.left, height = r.bottom - r.top;
  // A position that would leave the window off every monitor's work area (a
  // monitor since unplugged) is brought back onto the nearest monitor. The
  // rectangle asked for is saturated: a saved position near the int32 limit
  // must not wrap round.
  auto saturated = [](int64_t v) {
    return static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  };
  RECT wanted = {left, top, saturated(int64_t{left} + width), saturated(int64_t{top} + height)};
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &info)) {
    const RECT& w = info.rcWork;
    std::tie(left, top) =
        ClampToWorkArea(left, top, width, height, {w.left, w.top, w.right, w.bottom});
  }
  SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string Dialog::ExecutablePath() { return Utf8(ModulePath()); }

template <typename Handler>
void Dialog::Dispatch(Handler handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    MessageBoxW(hwnd_, Utf16(e.what()).c_str(), L"q836_円→点変換", MB_OK | MB_ICONERROR);
  }
}

// Sent by the dialog manager for Tab, the arrow keys and the group boxes'
// access keys (the group box itself, then "the next one"). A label, a group
// box or the strip never takes the focus: given one, the form only notes
// it, so that the next move starts from there.
void Dialog::NextControl(WPARAM wParam, bool explicitWindow) {
  if (explicitWindow) {
    HWND target = reinterpret_cast<HWND>(wParam);
    if (!target) return;
    if (CanTakeFocus(target)) {
      SetFocus(target);
      moveFrom_ = nullptr;
    } else {
      moveFrom_ = target;
    }
    return;
  }
  HWND from = moveFrom_ ? moveFrom_ : GetFocus();
  moveFrom_ = nullptr;
  HWND target = GetNextDlgTabItem(hwnd_, from, wParam != 0);
  if (target && CanTakeFocus(target)) SetFocus(target);
}

void Dialog::Command(int id, int code) {
  if (id == IDOK && code == BN_CLICKED) {
    Dispatch([this] { form_.Button1Click(); });
  } else if (id == IDCANCEL && code == BN_CLICKED) {
    Dispatch([this] { form_.Button2Click(); });
  } else if (id == kIdViewButton && code == BN_CLICKED) {
    ShowView(!form_.ShowView);
  } else if ((code == BN_CLICKED && id >= kIdCheckBox1 && id <= kIdCheckBox5) ||
             (code == BN_CLICKED &&
              (id == kIdRadioButton1 || id == kIdRadioButton2 || id == kIdCheckBox6)) ||
             (code == EN_CHANGE && (id == kIdEdit1 || id == kIdEdit2 || id == kIdEdit3)) ||
             (code == CBN_SELCHANGE && id == kIdComboBox1)) {
    UpdatePreview();
  }
}

// Takes the colours the user's scheme asks for and repaints everything in
// them: at the start and whenever the scheme changes.
void Dialog::ApplyColours() {
  colours_.Choose();
  view_.SetPalette(colours_.Colours());
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

LRESULT Dialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      Command(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_ACTIVATE:
      Activate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_SETFOCUS:  // the form itself never keeps the focus
      Activate(true);
      return 0;
    case DM_GETDEFID:  // asked by the dialog manager for Enter
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_DPICHANGED:
      DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DRAWITEM:
      if (wParam == kIdScrollBox1) {
        DrawStrip(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return reinterpret_cast<LRESULT>(colours_.ControlColour(
          reinterpret_cast<HDC>(wParam), SurfaceOf(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)))));
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd_, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, colours_.Brush(kFormSurface));
      return TRUE;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      ApplyColours();
      break;
    case WM_NEXTDLGCTL:
      NextControl(wParam, LOWORD(lParam) != 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE && owner_) {
        // The task bar entry minimises the whole tool; the form hides with it
        // and comes back when the application window is restored.
        Activate(false);
        ShowWindow(hwnd_, SW_HIDE);
        ShowWindow(owner_, SW_MINIMIZE);
        return 0;
      }
      break;
    case WM_CLOSE:  // the close box, Alt+F4, Esc in the memo: all as Cancel
      Dispatch([this] { form_.Close(); });
      return 0;
    case WM_DESTROY:
      DeleteObject(font_);
      DeleteObject(titleFont_);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace

int RunDialog(HINSTANCE instance) {
  BecomeDpiAware();
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  // A second start on the same drawing leaves the file to the first.
  const SingleRun run(ExchangeFileBesideExe());
  if (!run.First()) {
    run.ShowFirst();
    return 0;
  }
  HWND app = CreateApplicationWindow(instance);
  Dialog dialog(instance, app);
  if (!dialog.Create()) return 1;
  run.Mark(dialog.Window());
  if (app) SetWindowLongPtrW(app, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog.Window()));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(dialog.Window(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (app) DestroyWindow(app);
  return 0;
}

}  // namespace q836
