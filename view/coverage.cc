#include "view/coverage.h"

#include <algorithm>
#include <cstdlib>

namespace q836 {

namespace {

// The tile of a pixel coordinate, negative ones included.
int32_t TileOf(int32_t v) {
  return v >= 0 ? v / Coverage::kTile : -((-v - 1) / Coverage::kTile) - 1;
}
// Of a coordinate between pixels (within the clipped range): truncation
// and one step down for negatives is the floor, without a call into the C
// library.
int32_t TileOf(double v) {
  const int32_t i = static_cast<int32_t>(v);
  return TileOf(i - (v < i ? 1 : 0));
}

}  // namespace

void Coverage::Reset(int32_t width, int32_t height) {
  width_ = std::max(width, 0), height_ = std::max(height, 0);
  tilesX_ = (width_ + kTile - 1) / kTile, tilesY_ = (height_ + kTile - 1) / kTile;
  full_.assign(static_cast<size_t>(tilesX_) * tilesY_, 0);
  marked_ = 0;
  summed_ = false;
}

void Coverage::Sum() {
  const size_t stride = static_cast<size_t>(tilesX_) + 1;
  sums_.assign(stride * (static_cast<size_t>(tilesY_) + 1), 0);
  for (int32_t ty = 0; ty < tilesY_; ++ty) {
    int32_t row = 0;
    for (int32_t tx = 0; tx < tilesX_; ++tx) {
      row += full_[static_cast<size_t>(ty) * tilesX_ + tx];
      sums_[(ty + 1) * stride + tx + 1] = sums_[ty * stride + tx + 1] + row;
    }
  }
  unmarked_.clear();
  summed_ = true;
}

bool Coverage::RectFull(int32_t tx0, int32_t ty0, int32_t tx1, int32_t ty1) {
  // Tiles outside the picture hold no pixel.
  tx0 = std::max(tx0, 0), ty0 = std::max(ty0, 0);
  tx1 = std::min(tx1, tilesX_ - 1), ty1 = std::min(ty1, tilesY_ - 1);
  if (tx0 > tx1 || ty0 > ty1) return true;
  if (!summed_ || unmarked_.size() > 32) Sum();
  const size_t stride = static_cast<size_t>(tilesX_) + 1;
  const int32_t count = sums_[(ty1 + 1) * stride + tx1 + 1] - sums_[ty0 * stride + tx1 + 1] -
                        sums_[(ty1 + 1) * stride + tx0] + sums_[ty0 * stride + tx0];
  if (count != (tx1 - tx0 + 1) * (ty1 - ty0 + 1)) return false;
  for (size_t tile : unmarked_) {
    const int32_t tx = static_cast<int32_t>(tile % tilesX_),
                  ty = static_cast<int32_t>(tile / tilesX_);
    if (tx >= tx0 && tx <= tx1 && ty >= ty0 && ty <= ty1) return false;
  }
  return true;
}

void Coverage::Scan(const uint32_t* pixels, uint32_t pixel) {
  if (pixel != pixel_ && marked_ > 0) Reset(width_, height_);
  pixel_ = pixel;
  for (int32_t ty = 0; ty < tilesY_; ++ty) {
    const int32_t top = ty * kTile, bottom = std::min(top + kTile, height_);
    for (int32_t tx = 0; tx < tilesX_; ++tx) {
      uint8_t& full = full_[static_cast<size_t>(ty) * tilesX_ + tx];
      if (full) continue;
      const int32_t left = tx * kTile, right = std::min(left + kTile, width_);
      bool same = true;
      for (int32_t y = top; y < bottom && same; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * width_;
        for (int32_t x = left; x < right; ++x) same = same && row[x] == pixel;
      }
      if (same) full = 1, ++marked_;
    }
  }
  summed_ = false;
}

void Coverage::Unmark(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (marked_ == 0) return;
  const int32_t tx0 = std::max(TileOf(left), 0), tx1 = std::min(TileOf(right), tilesX_ - 1);
  const int32_t ty0 = std::max(TileOf(top), 0), ty1 = std::min(TileOf(bottom), tilesY_ - 1);
  for (int32_t ty = ty0; ty <= ty1; ++ty) {
    for (int32_t tx = tx0; tx <= tx1; ++tx) {
      const size_t tile = static_cast<size_t>(ty) * tilesX_ + tx;
      if (full_[tile]) {
        full_[tile] = 0, --marked_;
        if (summed_) unmarked_.push_back(tile);
      }
    }
  }
}

bool Coverage::Covers(DevicePoint a, DevicePoint b) {
  if (marked_ == 0) return false;
  // The ends first, then the box round the line in one step: in a full
  // picture most lines end there.
  if (!Full(TileOf(a.x), TileOf(a.y)) || !Full(TileOf(b.x), TileOf(b.y))) return false;
  if (RectFull(TileOf(std::min(a.x, b.x) - 1), TileOf(std::min(a.y, b.y) - 1),
               TileOf(std::max(a.x, b.x) + 1), TileOf(std::max(a.y, b.y) + 1))) {
    return true;
  }
  // Walk the major axis a tile at a time; across each tile's span the
  // line's pixels lie within a pixel of the ideal line, so the tiles that
  // band crosses are all the line can touch.
  const bool steep = std::abs(b.y - a.y) > std::abs(b.x - a.x);
  int32_t u0 = steep ? a.y : a.x, u1 = steep ? b.y : b.x;
  double v0 = steep ? a.x : a.y, v1 = steep ? b.x : b.y;
  if (u0 > u1) std::swap(u0, u1), std::swap(v0, v1);
  const double slope = u1 > u0 ? (v1 - v0) / (u1 - u0) : 0;
  for (int32_t t = TileOf(u0), last = TileOf(u1); t <= last; ++t) {
    const int32_t from = std::max(u0, t * kTile), to = std::min(u1, t * kTile + kTile - 1);
    const double vFrom = v0 + (from - u0) * slope, vTo = v0 + (to - u0) * slope;
    const double low = std::min(vFrom, vTo) - 1, high = std::max(vFrom, vTo) + 1;
    for (int32_t s = TileOf(low), lastS = TileOf(high); s <= lastS; ++s) {
      if (!(steep ? Full(s, t) : Full(t, s))) return false;
    }
  }
  return true;
}

bool Coverage::CoversBox(DevicePoint topLeft, DevicePoint bottomRight) {
  if (marked_ == 0) return false;
  return RectFull(TileOf(topLeft.x - 1), TileOf(topLeft.y - 1), TileOf(bottomRight.x + 1),
                  TileOf(bottomRight.y + 1));
}

}  // namespace q836
