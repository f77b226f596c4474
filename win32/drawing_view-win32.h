// The drawing view beside the dialog's controls: a window class of its own
// that paints the view model's display list into cached bitmaps and turns
// the mouse and keys into zoom, pan and picks.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "view/palette.h"
#include "view/view_figures.h"
#include "win32/dpi-win32.h"

namespace q836 {

/// The legend's place in the view at 96 DPI: its top left corner, over
/// the picture.
inline constexpr int kLegendLeft = 4, kLegendTop = 4, kLegendWidth = 156, kLegendHeight = 17;
inline RECT LegendRect(int dpi) {
  return {Scale(kLegendLeft, dpi), Scale(kLegendTop, dpi), Scale(kLegendLeft + kLegendWidth, dpi),
          Scale(kLegendTop + kLegendHeight, dpi)};
}

/// What the view needs of the dialog.
class DrawingViewHost {
 public:
  virtual ~DrawingViewHost() = default;
  /// The choices as OK would read them now.
  virtual ConversionChoice Choice() = 0;
  /// A click picked a candidate: 半径 becomes `text`, undoably.
  virtual void PickRadius(const std::string& text) = 0;
  /// A Shift+click picked a candidate: the lower limit becomes `text`, undoably.
  virtual void PickLowerLimit(const std::string& text) = 0;
  /// Ctrl+Z (or, with `redo`, Ctrl+Y and Ctrl+Shift+Z) in the view: one
  /// step through the picks.
  virtual void StepPicks(bool redo) = 0;
};

class DrawingView {
 public:
  DrawingView();
  ~DrawingView();
  DrawingView(const DrawingView&) = delete;
  DrawingView& operator=(const DrawingView&) = delete;

  /// Creates the (hidden) view window as child `id` of `parent`.
  bool Create(HINSTANCE instance, HWND parent, int id, DrawingViewHost& host);
  HWND Window() const { return hwnd_; }
  /// Takes the loaded selection on threads of its own, painting once the
  /// view is on the screen: the dialog never waits for it.
  void LoadSoon();
  /// The drawing is about to change or go: the view stops reading it and
  /// keeps the picture it shows.
  void LetGo();
  /// The controls changed: the marks follow at the next paint, which a
  /// newer edit overtakes.
  void ChoiceChanged();
  /// New colours (the user's scheme changed).
  void SetPalette(const Palette& palette);
  /// Places the view at `rect` of its parent, drawn for `dpi`.
  void Place(const RECT& rect, int dpi);

  struct State;  // the window's data

 private:
  HWND hwnd_ = nullptr;
  std::unique_ptr<State> state_;
};

}  // namespace q836
