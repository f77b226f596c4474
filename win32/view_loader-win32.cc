#include "win32/view_loader-win32.h"

#include <array>
#include <cstdint>
#include <new>
#include <vector>

namespace q836 {

namespace {

constexpr size_t kBuildSlice = 65536;  // figures between two looks at the cancel flag
constexpr size_t kFigureRuns = 2;      // parts the figures are painted in at once
// A picture laid over another starts as this value, which no painted
// pixel has (GDI and the canvas leave the top byte clear): what is still
// this value shows the picture under it.
constexpr uint32_t kClear = 0xFF000000u;

// One run of the first pictures, painted on a thread of its own into a
// picture of its own, with a copy of the model (the lists shared, the
// painter's scratch storage its own).
struct PaintRun {
  ViewModel model;
  const LoadedView* view;
  Bitmap* picture;
  const std::atomic<bool>* cancel;
  bool candidates;  // the candidates, or the figures from first to end
  size_t first = 0, end = 0;
  bool done = false;

  static DWORD WINAPI Paint(void* self) {
    auto& r = *static_cast<PaintRun*>(self);
    try {
      BitmapCanvas canvas(*r.picture);
      const Overtaken cancelled = [&r] { return r.cancel->load(); };
      const Palette& palette = r.view->palette;
      r.done = r.candidates ? r.model.PaintClass(canvas, palette, r.view->choice,
                                                 FigureClass::kFigure, 0, cancelled) &&
                                  r.model.PaintClass(canvas, palette, r.view->choice,
                                                     FigureClass::kKept, 0, cancelled)
                            : r.model.PaintFigures(canvas, palette, cancelled, r.first, r.end);
    } catch (const std::bad_alloc&) {
      r.done = false;
    }
    return 0;
  }
};

}  // namespace

ViewLoader::~ViewLoader() {
  Cancel();
  if (paint_) CloseHandle(paint_);
}

bool ViewLoader::Start(HWND window, UINT message) {
  Cancel();
  if (!paint_) paint_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!paint_) return false;
  ResetEvent(paint_);
  view_ = std::make_unique<LoadedView>();
  window_ = window, message_ = message;
  cancel_ = false, ok_ = false;
  thread_ = CreateThread(nullptr, 0, Load, this, 0, nullptr);
  if (!thread_) view_.reset();
  return thread_ != nullptr;
}

void ViewLoader::Paint(const Palette& palette, const ConversionChoice& choice, int width,
                       int height, int marker) {
  if (!thread_ || WaitForSingleObject(paint_, 0) == WAIT_OBJECT_0) return;  // asked already
  view_->palette = palette, view_->choice = choice;
  view_->width = width, view_->height = height, view_->marker = marker;
  SetEvent(paint_);  // the thread reads the fields after this
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
  WaitForSingleObject(paint_, INFINITE);
  if (cancel_) return;
  v.model.SetSize(v.width, v.height, v.marker);
  ok_ = true;
  // Runs at once, each in a picture of its own: the figures in parts of
  // equal count, then the candidates. Laid one over the other in that order
  // they are the pictures painted one after the other. More runs than
  // processors even out runs of unequal cost.
  std::array<Bitmap, kFigureRuns - 1> upper;
  bool sized =
      v.figures.Resize(nullptr, v.width, v.height) && v.kept.Resize(nullptr, v.width, v.height);
  for (Bitmap& b : upper) sized = sized && b.Resize(nullptr, v.width, v.height);
  if (!sized) return;  // the window paints them itself when it can
  v.figures.Fill(v.palette.viewBack);
  for (Bitmap& b : upper) b.FillPixel(kClear);
  v.kept.FillPixel(kClear);
  std::vector<PaintRun> runs;
  const size_t figures = v.model.UnchangingFigures();
  for (size_t i = 0; i < kFigureRuns; ++i) {
    runs.push_back({v.model, &v, i == 0 ? &v.figures : &upper[i - 1], &cancel_, false,
                    figures * i / kFigureRuns, figures * (i + 1) / kFigureRuns});
  }
  runs.push_back({v.model, &v, &v.kept, &cancel_, true});
  std::vector<HANDLE> threads;
  threads.reserve(runs.size());  // nothing may fail once a thread runs
  for (size_t i = 1; i < runs.size(); ++i) {
    HANDLE thread = CreateThread(nullptr, 0, PaintRun::Paint, &runs[i], 0, nullptr);
    if (thread) {
      threads.push_back(thread);
    } else {
      PaintRun::Paint(&runs[i]);
    }
  }
  PaintRun::Paint(&runs[0]);
  for (HANDLE thread : threads) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  for (const PaintRun& run : runs) {
    if (!run.done) return;
  }
  uint32_t* lower = v.figures.Bits();
  uint32_t* kept = v.kept.Bits();
  for (size_t i = 0, n = static_cast<size_t>(v.width) * v.height; i < n; ++i) {
    for (const Bitmap& b : upper) {
      if (b.Bits()[i] != kClear) lower[i] = b.Bits()[i];
    }
    if (kept[i] == kClear) kept[i] = lower[i];
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
  SetEvent(paint_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  view_.reset();
}

}  // namespace q836
