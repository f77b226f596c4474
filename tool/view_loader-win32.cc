#include "tool/view_loader-win32.h"

#include <cstdint>
#include <new>

namespace q836 {

namespace {

constexpr size_t kBuildSlice = 65536;  // figures between two looks at the cancel flag
// The candidates' picture starts as this value, which no painted pixel
// has (GDI and the canvas leave the top byte clear): what is still this
// value shows the figures under it.
constexpr uint32_t kClear = 0xFF000000u;

// The candidates painted on a second thread, into a picture of their own.
struct CandidatePainter {
  const ViewModel* model;
  const Palette* palette;
  const ConversionChoice* choice;
  Bitmap* picture;
  const std::atomic<bool>* cancel;
  bool done = false;

  static DWORD WINAPI Paint(void* self) {
    auto& p = *static_cast<CandidatePainter*>(self);
    try {
      BitmapCanvas canvas(*p.picture);
      const Overtaken cancelled = [&p] { return p.cancel->load(); };
      p.done =
          p.model->PaintClass(canvas, *p.palette, *p.choice, FigureClass::kFigure, 0, cancelled) &&
          p.model->PaintClass(canvas, *p.palette, *p.choice, FigureClass::kKept, 0, cancelled);
    } catch (const std::bad_alloc&) {
      p.done = false;
    }
    return 0;
  }
};

}  // namespace

bool ViewLoader::Start(HWND window, UINT message, const Palette& palette,
                       const ConversionChoice& choice, int width, int height, int marker) {
  Cancel();
  view_ = std::make_unique<LoadedView>();
  view_->palette = palette, view_->choice = choice;
  view_->width = width, view_->height = height, view_->marker = marker;
  window_ = window, message_ = message;
  cancel_ = false, ok_ = false;
  thread_ = CreateThread(nullptr, 0, Load, this, 0, nullptr);
  if (!thread_) view_.reset();
  return thread_ != nullptr;
}

DWORD WINAPI ViewLoader::Load(void* loader) {
  auto* self = static_cast<ViewLoader*>(loader);
  try {
    self->Run();
  } catch (const std::bad_alloc&) {
    self->ok_ = false;  // the view stays empty; the dialog works without it
  }
  if (!self->cancel_) PostMessageW(self->window_, self->message_, 0, 0);
  return 0;
}

void ViewLoader::Run() {
  LoadedView& v = *view_;
  v.model.BeginBuild();
  while (!v.model.ContinueBuild(kBuildSlice)) {
    if (cancel_) return;
  }
  v.model.SetSize(v.width, v.height, v.marker);
  ok_ = true;
  if (!v.figures.Resize(nullptr, v.width, v.height) || !v.kept.Resize(nullptr, v.width, v.height))
    return;  // the window paints them itself when it can
  // The painter keeps scratch storage in the model: the second thread
  // paints with a copy of it.
  const ViewModel copy = v.model;
  v.kept.FillPixel(kClear);
  CandidatePainter candidates{&copy, &v.palette, &v.choice, &v.kept, &cancel_};
  HANDLE second = CreateThread(nullptr, 0, CandidatePainter::Paint, &candidates, 0, nullptr);
  if (!second) CandidatePainter::Paint(&candidates);
  v.figures.Fill(v.palette.viewBack);
  bool figuresDone = false;
  {
    BitmapCanvas canvas(v.figures);
    figuresDone = v.model.PaintFigures(canvas, v.palette, [this] { return cancel_.load(); });
  }
  if (second) {
    WaitForSingleObject(second, INFINITE);
    CloseHandle(second);
  }
  if (!figuresDone || !candidates.done) return;
  // The kept picture: the candidates over the figures.
  const uint32_t* under = v.figures.Bits();
  uint32_t* over = v.kept.Bits();
  for (size_t i = 0, n = static_cast<size_t>(v.width) * v.height; i < n; ++i) {
    if (over[i] == kClear) over[i] = under[i];
  }
  v.pictures = true;
}

std::unique_ptr<LoadedView> ViewLoader::Take() {
  if (thread_) {
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  if (!ok_) view_.reset();
  return std::move(view_);
}

void ViewLoader::Cancel() {
  if (!thread_) return;
  cancel_ = true;
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  view_.reset();
}

}  // namespace q836
