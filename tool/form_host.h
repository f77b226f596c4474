// What the form needs of its window and platform: control texts and states,
// the window position, repaints, closing, the executable's path, the ESC
// key and the banner. The Win32 window and the headless runner implement it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/file_system.h"
#include "exchange/write_back.h"

namespace q836 {

/// The controls that the form reads or changes at run time.
enum class Control {
  CheckBox1,
  CheckBox2,
  CheckBox3,
  CheckBox4,
  CheckBox5,
  CheckBox6,  // 元の図形を残す: converted figures stay
  RadioButton1,
  RadioButton2,
  Edit1,
  Edit2,
  Edit3,  // the lower radius limit
  ComboBox1,
  LabelA1,
  Button1,
};

class FormHost {
 public:
  virtual ~FormHost() = default;
  /// Text of an edit box or label, in UTF-8.
  virtual std::string Text(Control control) = 0;
  /// Sets the text of an edit box or the caption of a label (UTF-8).
  virtual void SetText(Control control, std::string_view text) = 0;
  /// State of a check box or radio button.
  virtual bool Checked(Control control) = 0;
  /// Sets a check box or radio button, without touching any other control.
  virtual void SetChecked(Control control, bool checked) = 0;
  /// Selected item of the drop-down list, -1 for none.
  virtual int32_t ItemIndex(Control control) = 0;
  /// Selects an item of the drop-down list.
  virtual void SetItemIndex(Control control, int32_t index) = 0;
  /// Enables or disables a control.
  virtual void SetEnabled(Control control, bool enabled) = 0;
  /// Puts the focus into an edit box with its whole text selected.
  virtual void FocusText(Control control) = 0;
  /// Repaints one control at once, without processing other messages.
  virtual void Repaint(Control control) = 0;
  /// The window's position in screen pixels.
  virtual int32_t Left() = 0;
  virtual int32_t Top() = 0;
  /// Moves the window; the host may bring an off-screen position back on screen.
  virtual void MoveTo(int32_t left, int32_t top) = 0;
  /// Destroys the window; the form has done its closing work already.
  virtual void DestroyWindow() = 0;
  /// Tells the user something went wrong (UTF-8): a message box owned by
  /// the window, which returns when the user has closed it.
  virtual void ShowMessage(std::string_view text) = 0;
  /// Tells the user that a file cannot be written yet (in use, disk full)
  /// and asks whether to try again (再試行) or to give up (キャンセル);
  /// true to try again.
  virtual bool AskRetry(std::string_view text) = 0;
  /// Whether AskRetry shows the question to someone who can answer it;
  /// without, a failure is told as a message.
  virtual bool CanAsk() { return true; }
  /// Full path of the running executable, in UTF-8.
  virtual std::string ExecutablePath() = 0;
  /// The ESC key as the write-back polls it.
  virtual EscapeKey& Escape() = 0;
  /// Starts loading the banner page.
  virtual void StartBanner(const std::string& url) = 0;
  /// The drawing tables are about to be converted or freed: whatever reads
  /// them besides the form stops first.
  virtual void DrawingChanging() {}
  /// The disk the form reads and writes its files on.
  virtual FileSystem& Files() { return DiskFileSystem(); }
  /// A clock in milliseconds, for spacing the progress repaints.
  virtual int64_t Milliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
};

}  // namespace q836
