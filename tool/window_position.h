// Where the dialog goes on screen: a saved position is kept when the whole
// window lies inside the monitor's work area, and otherwise moved into it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

namespace q836 {

/// A rectangle of screen pixels, right and bottom exclusive.
struct ScreenRect {
  int64_t left, top, right, bottom;
};

/// The position of a window of `width` × `height` asked to stand at
/// `left`, `top`: that position when the window lies wholly inside `work`,
/// else the nearest one inside (the top left of `work` for a window larger
/// than it). Computed in 64 bits: any int32 position is safe.
inline std::pair<int32_t, int32_t> ClampToWorkArea(int32_t left, int32_t top, int32_t width,
                                                   int32_t height, const ScreenRect& work) {
  auto axis = [](int64_t at, int64_t size, int64_t low, int64_t high) {
    if (at + size > high) at = high - size;
    return std::max(at, low);
  };
  return {static_cast<int32_t>(axis(left, width, work.left, work.right)),
          static_cast<int32_t>(axis(top, height, work.top, work.bottom))};
}

}  // namespace q836
