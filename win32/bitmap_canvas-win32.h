// The drawing view's pictures: 32-bit bitmaps that GDI and the view's own
// pixel writes paint into, and the canvas that puts a display list there.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "view/coverage.h"
#include "view/view_model.h"
#include "win32/colours-win32.h"

namespace q836 {

// A 32-bit bitmap the view paints into and copies from.
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  ~Bitmap() { Release(); }
  bool Resize(HDC reference, int width, int height) {
    if (bitmap_ && width == width_ && height == height_) return true;
    Release();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) return false;
    dc_ = CreateCompatibleDC(reference);
    old_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint32_t*>(bits);
    width_ = width, height_ = height;
    return true;
  }
  void Release() {
    if (dc_) {
      SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    dc_ = nullptr, bitmap_ = nullptr, bits_ = nullptr;
  }
  void CopyFrom(const Bitmap& other) {
    GdiFlush();
    std::memcpy(bits_, other.bits_, sizeof(uint32_t) * static_cast<size_t>(width_) * height_);
  }
  void Fill(Rgb colour) { FillPixel(Pixel(colour)); }
  void FillPixel(uint32_t pixel) {
    GdiFlush();
    std::fill(bits_, bits_ + static_cast<size_t>(width_) * height_, pixel);
  }
  void Swap(Bitmap& other) {
    std::swap(bitmap_, other.bitmap_), std::swap(dc_, other.dc_), std::swap(old_, other.old_);
    std::swap(bits_, other.bits_), std::swap(width_, other.width_),
        std::swap(height_, other.height_);
  }
  static uint32_t Pixel(Rgb c) { return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b; }
  HDC Dc() const { return dc_; }
  uint32_t* Bits() const { return bits_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_ = 0, height_ = 0;
};

// The display list into a bitmap: pixels straight into its memory, lines
// gathered into one GDI call per colour (each call costs more than the
// lines it draws), solids through GDI with one pen and brush per colour.
// Lines that would land only on pixels of their own colour are left out.
class BitmapCanvas : public Canvas {
 public:
  explicit BitmapCanvas(Bitmap& bitmap) : bitmap_(bitmap) {
    oldPen_ = SelectObject(bitmap_.Dc(), GetStockObject(DC_PEN));
    oldBrush_ = SelectObject(bitmap_.Dc(), GetStockObject(DC_BRUSH));
    points_.reserve(kBatch + 64);
    coverage_.Reset(bitmap_.Width(), bitmap_.Height());
  }
  ~BitmapCanvas() override {
    Flush();
    SelectObject(bitmap_.Dc(), oldPen_);
    SelectObject(bitmap_.Dc(), oldBrush_);
    GdiFlush();
  }
  void Pixel(int32_t x, int32_t y, Rgb colour) override {
    // A pixel of the colour of the lines waiting may land before them: the
    // result is the same. Any other colour waits for what was drawn before.
    if (!(colour == pendingColour_)) {
      Flush();
      if (gdiPending_) {
        GdiFlush();  // GDI's queued drawing lands before the memory is written
        gdiPending_ = false;
      }
    }
    Set(x, y, colour);
    if (!coverColour_ || !(colour == *coverColour_)) coverage_.Unmark(x, y, x, y);
  }
  bool Covered(DevicePoint a, DevicePoint b, Rgb colour) override {
    return CoverageFor(colour).Covers(a, b);
  }
  bool CoveredBox(DevicePoint topLeft, DevicePoint bottomRight, Rgb colour) override {
    return CoverageFor(colour).CoversBox(topLeft, bottomRight);
  }
  void Polyline(const DevicePoint* points, int count, Rgb colour) override {
    if (count < 2) return;
    if (!counts_.empty() && !(colour == batchColour_)) Flush();
    batchColour_ = colour;
    pendingColour_ = colour;
    for (int i = 0; i < count; ++i) points_.push_back({points[i].x, points[i].y});
    counts_.push_back(static_cast<DWORD>(count));
    if (points_.size() >= kBatch) Flush();
  }
  void Polygon(const DevicePoint* points, int count, Rgb outline, Rgb fill) override {
    Flush();
    SetDCPenColor(bitmap_.Dc(), ColourRef(outline));
    SetDCBrushColor(bitmap_.Dc(), ColourRef(fill));
    // Kept between figures: no allocation once it has held the longest.
    std::vector<POINT>& p = polygon_;
    p.clear();
    for (int i = 0; i < count; ++i) p.push_back({points[i].x, points[i].y});
    ::Polygon(bitmap_.Dc(), p.data(), count);
    gdiPending_ = true;
    int32_t left = p[0].x, top = p[0].y, right = p[0].x, bottom = p[0].y;
    for (int i = 1; i < count; ++i) {
      left = std::min<int32_t>(left, p[i].x), right = std::max<int32_t>(right, p[i].x);
      top = std::min<int32_t>(top, p[i].y), bottom = std::max<int32_t>(bottom, p[i].y);
    }
    coverage_.Unmark(left, top, right, bottom);
    pendingColour_.reset();  // the fill is another colour
  }

 private:
  static constexpr size_t kBatch = 8192;  // points per GDI call

  // The full tiles of `colour` in what is painted so far.
  Coverage& CoverageFor(Rgb colour) {
    // Lines of another colour still waiting must land before this one.
    if (!counts_.empty() && !(colour == batchColour_)) Flush();
    if (!coverColour_ || !(colour == *coverColour_)) {
      if (gdiPending_) {
        GdiFlush();
        gdiPending_ = false;
      }
      coverColour_ = colour;
      coverage_.Scan(bitmap_.Bits(), Bitmap::Pixel(colour));
    }
    return coverage_;
  }
  void Set(int32_t x, int32_t y, Rgb colour) {
    if (x < 0 || y < 0 || x >= bitmap_.Width() || y >= bitmap_.Height()) return;
    bitmap_.Bits()[static_cast<size_t>(y) * bitmap_.Width() + x] = Bitmap::Pixel(colour);
  }
  void Flush() {
    if (counts_.empty()) return;
    SetDCPenColor(bitmap_.Dc(), ColourRef(batchColour_));
    PolyPolyline(bitmap_.Dc(), points_.data(), counts_.data(), static_cast<DWORD>(counts_.size()));
    GdiFlush();
    gdiPending_ = false;
    // GDI leaves out each line's last pixel; the figure keeps it.
    size_t end = 0;
    for (DWORD n : counts_) {
      end += n;
      Set(points_[end - 1].x, points_[end - 1].y, batchColour_);
    }
    points_.clear();
    counts_.clear();
    // The new lines may have filled more of the picture.
    if (coverColour_ && batchColour_ == *coverColour_)
      coverage_.Scan(bitmap_.Bits(), Bitmap::Pixel(batchColour_));
  }

  Bitmap& bitmap_;
  HGDIOBJ oldPen_, oldBrush_;
  std::vector<POINT> points_;
  std::vector<POINT> polygon_;  // the corners of the polygon being filled
  std::vector<DWORD> counts_;
  Rgb batchColour_;
  std::optional<Rgb> pendingColour_;  // the one colour GDI may still be drawing in
  bool gdiPending_ = false;
  Coverage coverage_;
  std::optional<Rgb> coverColour_;  // the colour the coverage's full tiles hold
};

}  // namespace q836
