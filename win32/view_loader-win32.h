// Takes the loaded selection into the drawing view off the window's
// thread: builds the view model while the dialog is drawn, then paints its
// first pictures (the figures no edit changes, and with them the
// candidates in the kept colour) on threads of their own, and tells the
// window. The dialog never waits for it and answers the user meanwhile.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "view/palette.h"
#include "view/view_figures.h"
#include "view/view_model.h"
#include "win32/bitmap_canvas-win32.h"

namespace q836 {

/// What the loading threads hand to the window.
struct LoadedView {
  ViewModel model;
  Palette palette;
  ConversionChoice choice;  // the kinds the kept picture was painted for
  int width = 0, height = 0, marker = 0;
  bool pictures = false;  // false: the model only (no memory for bitmaps)
  Bitmap figures, kept;
};

class ViewLoader {
 public:
  ViewLoader() = default;
  ViewLoader(const ViewLoader&) = delete;
  ViewLoader& operator=(const ViewLoader&) = delete;
  ~ViewLoader();

  /// Starts building the model; `message` is posted to `window` when the
  /// result waits in Take.
  bool Start(HWND window, UINT message);
  /// Paints the first pictures, once the model is built, for a view of
  /// `width` × `height` pixels: the dialog is on the screen by then.
  void Paint(const Palette& palette, const ConversionChoice& choice, int width, int height,
             int marker);
  bool Running() const { return thread_ != nullptr; }
  /// The result after the message (null when the loading failed).
  std::unique_ptr<LoadedView> Take();
  /// Stops the loading and waits for its threads.
  void Cancel();

 private:
  static DWORD WINAPI Load(void* loader);
  void Run();

  HANDLE thread_ = nullptr;
  HANDLE paint_ = nullptr;  // set when the pictures may be painted
  HWND window_ = nullptr;
  UINT message_ = 0;
  std::unique_ptr<LoadedView> view_;
  std::atomic<bool> cancel_{false}, ok_{false};
};

}  // namespace q836
