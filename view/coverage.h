// Which tiles of a picture hold one colour in every pixel. A line of that
// colour whose pixels all fall in such tiles would change nothing, so the
// painter leaves it out: a dense drawing stops costing pixels once its
// picture is full.
#pragma once

#include <cstdint>
#include <vector>

#include "view/view_model.h"

namespace q836 {

class Coverage {
 public:
  static constexpr int32_t kTile = 8;  // pixels on a tile's side

  /// Forgets every tile of a `width` × `height` picture.
  void Reset(int32_t width, int32_t height);
  /// Marks the tiles of `pixels` (rows of `width`) that hold `pixel` in every
  /// pixel. A change of colour forgets the tiles marked for the old one.
  void Scan(const uint32_t* pixels, uint32_t pixel);
  /// The pixels from (left, top) to (right, bottom), inclusive, may have
  /// taken another colour.
  void Unmark(int32_t left, int32_t top, int32_t right, int32_t bottom);
  /// Whether every pixel within a pixel of the line from `a` to `b` lies
  /// outside the picture or in a tile marked full.
  bool Covers(DevicePoint a, DevicePoint b);
  /// Whether every pixel from `topLeft` to `bottomRight`, and a pixel round
  /// them, lies outside the picture or in a tile marked full.
  bool CoversBox(DevicePoint topLeft, DevicePoint bottomRight);

 private:
  /// Whether every tile from (tx0, ty0) to (tx1, ty1) is full, in a step.
  bool RectFull(int32_t tx0, int32_t ty0, int32_t tx1, int32_t ty1);
  void Sum();
  bool Full(int32_t tx, int32_t ty) const {
    if (tx < 0 || ty < 0 || tx >= tilesX_ || ty >= tilesY_) return true;  // no pixel there
    return full_[static_cast<size_t>(ty) * tilesX_ + tx] != 0;
  }

  int32_t width_ = 0, height_ = 0, tilesX_ = 0, tilesY_ = 0;
  uint32_t pixel_ = 0;
  size_t marked_ = 0;
  std::vector<uint8_t> full_;
  // Full tiles counted over every rectangle from the top left corner, as of
  // the last scan, and the tiles unmarked since then.
  std::vector<int32_t> sums_;
  std::vector<size_t> unmarked_;
  bool summed_ = false;
};

}  // namespace q836
