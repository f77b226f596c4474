// Identifiers of the dialog's child windows, by their designer names.
#pragma once

#include <windows.h>

namespace q836 {

enum ControlId : int {
  kIdLabel1 = 100,
  kIdGroupBox1,
  kIdCheckBox1,
  kIdCheckBox2,
  kIdCheckBox3,
  kIdCheckBox4,
  kIdCheckBox5,
  kIdLabel3,
  kIdEdit1,
  kIdLabel2,
  kIdButton1 = IDOK,
  kIdButton2 = IDCANCEL,
  kIdScrollBox1 = 120,
  kIdMemo1,
  kIdGroupBox2,
  kIdRadioButton1,
  kIdRadioButton2,
  kIdLabel5,
  kIdComboBox1,
  kIdLabel4,
  kIdEdit2,
  kIdLabelA1,
  kIdViewButton,
  kIdDrawingView,
  kIdEdit3,
  kIdLabel6,
  kIdCheckBox6,
};

}  // namespace q836
