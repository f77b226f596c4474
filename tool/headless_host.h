// A form host without a window: controls are plain values, the status line
// goes to a stream. Used by the batch runner and the tests.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "tool/form_host.h"

namespace q836 {

class HeadlessHost : public FormHost {
 public:
  /// `exePath` stands for the running executable; `escape` is polled as ESC.
  HeadlessHost(std::string exePath, EscapeKey& escape, FileSystem& fs = DiskFileSystem())
      : exePath_(std::move(exePath)), escape_(escape), fs_(fs) {}

  std::string Text(Control c) override { return texts_[c]; }
  void SetText(Control c, std::string_view text) override { texts_[c] = std::string(text); }
  bool Checked(Control c) override { return checked_[c]; }
  void SetChecked(Control c, bool checked) override { checked_[c] = checked; }
  int32_t ItemIndex(Control) override { return itemIndex_; }
  void SetItemIndex(Control, int32_t index) override { itemIndex_ = index; }
  void SetEnabled(Control c, bool enabled) override { disabled_[c] = !enabled; }
  void FocusText(Control c) override { focused = c; }
  void Repaint(Control c) override {
    if (c == Control::LabelA1 && onStatus) onStatus(texts_[c]);
  }
  int32_t Left() override { return left_; }
  int32_t Top() override { return top_; }
  void MoveTo(int32_t left, int32_t top) override { left_ = left, top_ = top; }
  void DestroyWindow() override { destroyed = true; }
  void ShowMessage(std::string_view text) override {
    if (onMessage) onMessage(std::string(text));
  }
  bool AskRetry(std::string_view text) override { return onRetry && onRetry(std::string(text)); }
  bool CanAsk() override { return static_cast<bool>(onRetry); }
  std::string ExecutablePath() override { return exePath_; }
  EscapeKey& Escape() override { return escape_; }
  void StartBanner(const std::string& url) override { bannerUrl = url; }
  FileSystem& Files() override { return fs_; }
  void DrawingChanging() override {
    if (onDrawingChanging) onDrawingChanging();
  }

  /// Whether a control was disabled.
  bool Disabled(Control c) { return disabled_[c]; }

  /// Called with the status line each time it is repainted.
  std::function<void(const std::string&)> onStatus;
  /// Called with each message the form shows.
  std::function<void(const std::string&)> onMessage;
  /// Answers the question whether to try a write again; without it the
  /// answer is no (the failure is then told as a message).
  std::function<bool(const std::string&)> onRetry;
  /// Called before the form converts or frees the drawing tables.
  std::function<void()> onDrawingChanging;
  bool destroyed = false;
  std::string bannerUrl;
  /// The control the form put the focus into, if any.
  std::optional<Control> focused;

 private:
  std::string exePath_;
  EscapeKey& escape_;
  FileSystem& fs_;
  std::map<Control, std::string> texts_;
  std::map<Control, bool> checked_;
  std::map<Control, bool> disabled_;
  int32_t itemIndex_ = 0;  // the design state: item 0 selected
  int32_t left_ = 202, top_ = 107;
};

}  // namespace q836
