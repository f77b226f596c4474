#include "tool/dialog-win32.h"

#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <tuple>
#include <vector>

#include "text/wide_text.h"
#include "tool/banner-win32.h"
#include "tool/control_ids-win32.h"
#include "tool/dpi-win32.h"
#include "tool/form1.h"
#include "tool/res/resource.h"
#include "tool/strip-win32.h"
#include "tool/window_position.h"

namespace q836 {

namespace {

constexpr int kFontHeight = 13, kTitleFontHeight = 19;
constexpr int kClientWidth = 467;
constexpr int kClientHeight = 378;
constexpr COLORREF kLabel1Back = RGB(192, 220, 192);
constexpr COLORREF kStatusBack = RGB(231, 231, 231);
constexpr COLORREF kMemoBack = RGB(187, 235, 244);

// One control of the form: class, caption, styles and its place on the form
// (children of a group box are placed relative to it, as designed).
struct ControlSpec {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int groupX, groupY;  // origin of the parent group box, 0 for the form
  int x, y, width, height;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCheck = kChild | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX;
constexpr DWORD kEdit = kChild | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL;
// Every window that takes no focus starts a group of its own, so that the
// arrow keys, which move within a group, never reach it.
constexpr DWORD kLabel = kChild | WS_GROUP | SS_LEFT | SS_NOPREFIX;

// Creation order is the tab order: the controls of GroupBox1, the two
// buttons, then the controls of GroupBox2; Memo1 and the banner strip take
// no focus by Tab.
const ControlSpec kControls[] = {
    {kIdLabel1, L"STATIC", L"◆円を点／点マーカに変換します◆",
     kChild | WS_GROUP | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0, 0, 0, 0, 0, kClientWidth, 33},
    {kIdGroupBox1, L"BUTTON", L"対象図形(&E)", kChild | WS_GROUP | BS_GROUPBOX, 0, 0, 0, 8, 40, 249,
     105},
    {kIdCheckBox1, L"BUTTON", L"円", kCheck, 0, 8, 40, 8, 20, 57, 17},
    {kIdCheckBox2, L"BUTTON", L"円弧・楕円・楕円弧", kCheck, 0, 8, 40, 72, 20, 169, 17},
    {kIdCheckBox3, L"BUTTON", L"円ソリッド", kCheck, 0, 8, 40, 8, 40, 121, 17},
    {kIdCheckBox4, L"BUTTON", L"円周ソリッド", kCheck, 0, 8, 40, 128, 40, 113, 17},
    {kIdCheckBox5, L"BUTTON", L"円環ソリッド", kCheck, 0, 8, 40, 8, 60, 121, 17},
    {kIdLabel3, L"STATIC", L"半径：", kLabel, 0, 8, 40, 8, 84, 44, 13},
    {kIdEdit1, L"EDIT", L"", kEdit, WS_EX_CLIENTEDGE, 8, 40, 56, 80, 97, 21},
    {kIdLabel2, L"STATIC", L"図寸mm以内", kLabel, 0, 8, 40, 160, 88, 80, 13},
    {kIdButton1, L"BUTTON", L"ＯＫ(&Y)", kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 0, 0,
     104, 256, 121, 25},
    {kIdButton2, L"BUTTON", L"キャンセル(&N)", kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0, 0,
     0, 256, 256, 121, 25},
    {kIdScrollBox1, L"STATIC", L"", kChild | WS_GROUP | WS_CLIPCHILDREN | SS_NOTIFY | SS_OWNERDRAW,
     0, 0, 0, 0, 313, kClientWidth, 65},
    {kIdMemo1, L"EDIT", L"",
     kChild | WS_GROUP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
     WS_EX_CLIENTEDGE, 0, 0, 288, 40, 177, 209},
    {kIdGroupBox2, L"BUTTON", L"作図タイプ(&S)", kChild | WS_GROUP | BS_GROUPBOX, 0, 0, 0, 8, 152,
     249, 97},
    {kIdRadioButton1, L"BUTTON", L"点", kChild | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0, 8,
     152, 8, 24, 57, 17},
    {kIdRadioButton2, L"BUTTON", L"点マーカー", kChild | BS_AUTORADIOBUTTON, 0, 8, 152, 72, 24, 153,
     17},
    {kIdLabel5, L"STATIC", L"種類：", kLabel, 0, 8, 152, 88, 52, 44, 13},
    {kIdComboBox1, L"COMBOBOX", L"", kChild | WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST,
     0, 8, 152, 136, 48, 97, 200},
    {kIdLabel4, L"STATIC", L"倍率：", kLabel, 0, 8, 152, 88, 76, 44, 13},
    {kIdEdit2, L"EDIT", L"1", kEdit, WS_EX_CLIENTEDGE, 8, 152, 136, 72, 97, 21},
    {kIdLabelA1, L"STATIC", L"　", kChild | WS_GROUP | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0,
     0, 0, 0, 289, kClientWidth, 24},
};

int IdOf(Control c) {
  switch (c) {
    case Control::CheckBox1:
      return kIdCheckBox1;
    case Control::CheckBox2:
      return kIdCheckBox2;
    case Control::CheckBox3:
      return kIdCheckBox3;
    case Control::CheckBox4:
      return kIdCheckBox4;
    case Control::CheckBox5:
      return kIdCheckBox5;
    case Control::RadioButton1:
      return kIdRadioButton1;
    case Control::RadioButton2:
      return kIdRadioButton2;
    case Control::Edit1:
      return kIdEdit1;
    case Control::Edit2:
      return kIdEdit2;
    case Control::ComboBox1:
      return kIdComboBox1;
    case Control::LabelA1:
      return kIdLabelA1;
    case Control::Button1:
      return kIdButton1;
  }
  return 0;
}

// Whether a control of the form can hold the focus: enabled, shown, and
// not a label, the strip or a group box.
bool CanTakeFocus(HWND control) {
  if (!IsWindowEnabled(control) || !IsWindowVisible(control)) return false;
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  if (lstrcmpiW(name, L"STATIC") == 0) return false;
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  return !(lstrcmpiW(name, L"BUTTON") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX);
}

class AsyncEscapeKey : public EscapeKey {
 public:
  bool IsDown() override { return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0; }
};

// The window of TForm1 and the platform side of its host interface.
class Dialog : public FormHost {
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
  void Repaint(Control c) override {
    InvalidateRect(Item(c), nullptr, TRUE);
    UpdateWindow(Item(c));
  }
  int32_t Left() override { return WindowRect().left; }
  int32_t Top() override { return WindowRect().top; }
  void MoveTo(int32_t left, int32_t top) override;
  void DestroyWindow() override { ::DestroyWindow(hwnd_); }
  void ShowMessage(std::string_view text) override {
    MessageBoxW(hwnd_, Utf16(text).c_str(), L"q836_円→点変換", MB_OK | MB_ICONERROR);
  }
  std::string ExecutablePath() override;
  EscapeKey& Escape() override { return escape_; }
  void StartBanner(const std::string& url) override;

 private:
  HWND Item(Control c) const { return GetDlgItem(hwnd_, IdOf(c)); }
  RECT WindowRect() const {
    RECT r;
    GetWindowRect(hwnd_, &r);
    return r;
  }
  void CreateControls();
  void Command(int id, int code);
  void NextControl(WPARAM wParam, bool explicitWindow);
  void Activate(bool active);
  void UpdatePreview();
  void DrawStrip(const DRAWITEMSTRUCT& item);
  LRESULT ControlColour(HDC dc, HWND control);
  // Runs an event handler; an exception escaping it is shown, as the
  // application's general error report does, and the dialog stays open.
  template <typename Handler>
  void Dispatch(Handler handler);

  HINSTANCE instance_;
  HWND owner_;
  HWND hwnd_ = nullptr;
  HWND panel_ = nullptr;
  HFONT font_ = nullptr;
  HFONT titleFont_ = nullptr;
  HBRUSH white_ = nullptr, label1Brush_ = nullptr, statusBrush_ = nullptr, memoBrush_ = nullptr;
  HWND focused_ = nullptr;   // the control that had the focus when the form was deactivated
  HWND moveFrom_ = nullptr;  // a window that cannot take the focus, where the next move starts
  bool shown_ = false;       // the show handler has filled the controls
  std::vector<PreviewLine> preview_;
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
  white_ = CreateSolidBrush(RGB(255, 255, 255));
  wc.hbrBackground = white_;
  wc.lpszClassName = L"TForm1";
  if (!RegisterClassExW(&wc)) return false;

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER;
  RECT r = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
  // The design position; the show handler moves the form to the saved one.
  hwnd_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, L"TForm1", L"円→点変換", style,
                          202, 107, r.right - r.left, r.bottom - r.top, owner_, nullptr, instance_,
                          this);
  if (!hwnd_) return false;
  CreateControls();
  Dispatch([this] { form_.FormShow(); });
  if (form_.Closed()) return true;  // the run has ended already; the quit message follows
  shown_ = true;
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
  panel_ =
      CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_BORDER, -3,
                      -3, 600, 200, GetDlgItem(hwnd_, kIdScrollBox1), nullptr, instance_, nullptr);
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
}

void Dialog::DrawStrip(const DRAWITEMSTRUCT& item) {
  if (panel_) {
    FillRect(item.hDC, &item.rcItem, white_);
    return;
  }
  PaintStrip(item.hDC, item.rcItem, font_, white_, preview_, 96);
}

// Enter in the read-only memo presses the default button and Esc the
// cancel button, as from every other control: the memo does not ask for
// them when the dialog manager queries it.
LRESULT CALLBACK MemoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR) {
  if (message == WM_GETDLGCODE) {
    LRESULT code = DefSubclassProc(hwnd, message, wParam, lParam);
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (msg && msg->message == WM_KEYDOWN &&
        (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
      code &= ~(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    }
    return code;
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
  font_ = CreateDialogFont(kFontHeight, 96);
  titleFont_ = CreateDialogFont(kTitleFontHeight, 96);
  label1Brush_ = CreateSolidBrush(kLabel1Back);
  statusBrush_ = CreateSolidBrush(kStatusBack);
  memoBrush_ = CreateSolidBrush(kMemoBack);
  for (const ControlSpec& c : kControls) {
    HWND h = CreateWindowExW(
        c.exStyle, c.className, c.text, c.style, c.groupX + c.x, c.groupY + c.y, c.width, c.height,
        hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(c.id == kIdLabel1 ? titleFont_ : font_),
                 FALSE);
  }
  for (int id : {kIdEdit1, kIdEdit2}) {
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

std::string Dialog::ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return Utf8(path);
}

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
  } else if ((code == BN_CLICKED && id >= kIdCheckBox1 && id <= kIdCheckBox5) ||
             (code == BN_CLICKED && (id == kIdRadioButton1 || id == kIdRadioButton2)) ||
             (code == EN_CHANGE && (id == kIdEdit1 || id == kIdEdit2)) ||
             (code == CBN_SELCHANGE && id == kIdComboBox1)) {
    UpdatePreview();
  }
}

LRESULT Dialog::ControlColour(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  HBRUSH brush = white_;
  COLORREF back = RGB(255, 255, 255);
  if (id == kIdLabel1) brush = label1Brush_, back = kLabel1Back;
  if (id == kIdLabelA1) brush = statusBrush_, back = kStatusBack;
  if (id == kIdMemo1) brush = memoBrush_, back = kMemoBack;
  SetBkColor(dc, back);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return reinterpret_cast<LRESULT>(brush);
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
    case WM_DRAWITEM:
      if (wParam == kIdScrollBox1) {
        DrawStrip(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
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

// The application window carries the title in the task bar and owns the
// form. Activated itself (the task bar, Alt+Tab, a restore after
// minimising), it hands activation and focus on to the form, so that keys
// reach the form's controls at once; closing it is closing the form.
LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND form = reinterpret_cast<HWND>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && form && IsWindowVisible(form) && !IsIconic(hwnd)) {
        SetActiveWindow(form);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      if (form && IsWindowVisible(form) && !IsIconic(hwnd)) {
        SetFocus(form);
        return 0;
      }
      break;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && form && IsWindow(form) && !IsWindowVisible(form)) {
        ShowWindow(form, SW_SHOW);
        SetActiveWindow(form);
      }
      break;
    case WM_CLOSE:
      if (form) PostMessageW(form, WM_CLOSE, 0, 0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateApplicationWindow(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ApplicationProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_Q836));
  wc.lpszClassName = L"TApplication";
  RegisterClassExW(&wc);
  HWND app = CreateWindowExW(0, L"TApplication", L"q836_円→点変換",
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                             nullptr, nullptr, instance, nullptr);
  if (app) ShowWindow(app, SW_SHOWNOACTIVATE);
  return app;
}

}  // namespace

int RunDialog(HINSTANCE instance) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  HWND app = CreateApplicationWindow(instance);
  Dialog dialog(instance, app);
  if (!dialog.Create()) return 1;
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
