#include "win32/control_table-win32.h"

#include <iterator>

#include "win32/control_ids-win32.h"
#include "win32/dpi-win32.h"

namespace q836 {

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCheck = kChild | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX;
constexpr DWORD kEdit = kChild | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL;
// Every window that takes no focus starts a group of its own, so that the
// arrow keys, which move within a group, never reach it.
constexpr DWORD kLabel = kChild | WS_GROUP | SS_LEFT | SS_NOPREFIX;

}  // namespace

// Creation order is the tab order: the controls of GroupBox1, the three
// buttons, Memo1 (to scroll it from the keyboard), then the controls of
// GroupBox2; the banner strip takes no focus by Tab. The memo wraps a line
// that would not fit rather than hide its end.
const ControlSpec kControls[] = {
    {kIdLabel1, L"STATIC", L"◆円を点／点マーカに変換します◆",
     kChild | WS_GROUP | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0, 0, 0, 0, 0, kClientWidth, 33},
    {kIdGroupBox1, L"BUTTON", L"対象図形(&E)", kChild | WS_GROUP | BS_GROUPBOX, 0, 0, 0, 8, 40, 272,
     105},
    {kIdCheckBox1, L"BUTTON", L"円", kCheck, 0, 8, 40, 8, 20, 57, 17},
    {kIdCheckBox2, L"BUTTON", L"円弧・楕円・楕円弧", kCheck, 0, 8, 40, 72, 20, 169, 17},
    {kIdCheckBox3, L"BUTTON", L"円ソリッド", kCheck, 0, 8, 40, 8, 40, 121, 17},
    {kIdCheckBox4, L"BUTTON", L"円周ソリッド", kCheck, 0, 8, 40, 128, 40, 113, 17},
    {kIdCheckBox5, L"BUTTON", L"円環ソリッド", kCheck, 0, 8, 40, 8, 60, 121, 17},
    {kIdLabel3, L"STATIC", L"半径：", kLabel, 0, 8, 40, 8, 84, 44, 13},
    {kIdEdit1, L"EDIT", L"", kEdit, WS_EX_CLIENTEDGE, 8, 40, 135, 80, 48, 21},
    {kIdLabel2, L"STATIC", L"図寸mm以内", kLabel, 0, 8, 40, 187, 84, 76, 13},
    // The lower limit left of 半径's edit, but after it in the tab order,
    // which stays as it was before the lower limit came.
    {kIdLabel6, L"STATIC", L"以上", kLabel, 0, 8, 40, 103, 84, 30, 13},
    {kIdEdit3, L"EDIT", L"", kEdit, WS_EX_CLIENTEDGE, 8, 40, 52, 80, 48, 21},
    {kIdButton1, L"BUTTON", L"ＯＫ(&Y)", kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 0, 0,
     104, 256, 121, 25},
    {kIdButton2, L"BUTTON", L"キャンセル(&N)", kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0, 0,
     0, 256, 256, 121, 25},
    {kIdViewButton, L"BUTTON", L"図(&V)", kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0, 0, 0,
     384, 256, 75, 25},
    {kIdScrollBox1, L"STATIC", L"", kChild | WS_GROUP | WS_CLIPCHILDREN | SS_NOTIFY | SS_OWNERDRAW,
     0, 0, 0, 0, 313, kClientWidth, 91},
    {kIdMemo1, L"EDIT", L"",
     kChild | WS_TABSTOP | WS_GROUP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
     WS_EX_CLIENTEDGE, 0, 0, 288, 40, 177, 209},
    {kIdGroupBox2, L"BUTTON", L"作図タイプ(&S)", kChild | WS_GROUP | BS_GROUPBOX, 0, 0, 0, 8, 152,
     272, 97},
    {kIdRadioButton1, L"BUTTON", L"点", kChild | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0, 8,
     152, 8, 24, 57, 17},
    {kIdRadioButton2, L"BUTTON", L"点マーカー", kChild | BS_AUTORADIOBUTTON, 0, 8, 152, 72, 24, 153,
     17},
    {kIdLabel5, L"STATIC", L"種類：", kLabel, 0, 8, 152, 100, 52, 44, 13},
    {kIdComboBox1, L"COMBOBOX", L"", kChild | WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST,
     0, 8, 152, 144, 48, 97, 200},
    {kIdLabel4, L"STATIC", L"倍率：", kLabel, 0, 8, 152, 100, 76, 44, 13},
    {kIdEdit2, L"EDIT", L"1", kEdit, WS_EX_CLIENTEDGE, 8, 152, 144, 72, 97, 21},
    // Two lines beside the marker's rows, the caption wrapped.
    {kIdCheckBox6, L"BUTTON", L"元の図形を残す(&K)", kCheck | BS_MULTILINE | BS_TOP, 0, 8, 152, 8,
     50, 88, 40},
    {kIdLabelA1, L"STATIC", L"　", kChild | WS_GROUP | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0,
     0, 0, 0, 289, kClientWidth, 24},
};

const size_t kControlCount = std::size(kControls);

RECT ControlRect(const ControlSpec& c, int dpi) {
  // Each edge is the design's edge scaled, so that neighbours stay flush.
  const int left = c.groupX + c.x, top = c.groupY + c.y;
  return {Scale(left, dpi), Scale(top, dpi), Scale(left + c.width, dpi),
          Scale(top + c.height, dpi)};
}

RECT ViewRect(int dpi) {
  return {Scale(kClientWidth, dpi), 0, Scale(kClientWidth + kClientHeight, dpi),
          Scale(kClientHeight, dpi)};
}

// The surface whose colours a control takes.
Surface SurfaceOf(int id) {
  if (id == kIdLabel1) return kTitleSurface;
  if (id == kIdLabelA1) return kStatusSurface;
  if (id == kIdMemo1) return kMemoSurface;
  return kFormSurface;
}

int ControlIdOf(Control c) {
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
    case Control::CheckBox6:
      return kIdCheckBox6;
    case Control::RadioButton1:
      return kIdRadioButton1;
    case Control::RadioButton2:
      return kIdRadioButton2;
    case Control::Edit1:
      return kIdEdit1;
    case Control::Edit2:
      return kIdEdit2;
    case Control::Edit3:
      return kIdEdit3;
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

}  // namespace q836
