#include "tool/window_position.h"

#include <gtest/gtest.h>

#include <limits>

namespace q836 {
namespace {

// A saved position anywhere in int32, the four extremes included, brings the
// window wholly onto the work area; a position on it stays as it is.
TEST(ClampToWorkArea, AnySavedPositionComesOnScreen) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const ScreenRect work = {0, 0, 1024, 738};  // a task bar of 30 px below
  const struct {
    int32_t left, top, x, y;
  } cases[] = {
      {123, 77, 123, 77},         {kMax, kMax, 1024 - 483, 738 - 417},
      {kMin, kMin, 0, 0},         {kMax, kMin, 1024 - 483, 0},
      {kMin, kMax, 0, 738 - 417}, {5000, -4000, 1024 - 483, 0},
      {541, 321, 541, 321},       {542, 322, 541, 321},
  };
  for (const auto& c : cases) {
    const auto [x, y] = ClampToWorkArea(c.left, c.top, 483, 417, work);
    EXPECT_EQ(x, c.x) << c.left << "," << c.top;
    EXPECT_EQ(y, c.y) << c.left << "," << c.top;
  }
  // A second monitor left of the first, and a window larger than the area.
  const auto [x, y] = ClampToWorkArea(kMin, 10, 483, 417, {-1920, 0, 0, 1080});
  EXPECT_EQ(x, -1920);
  EXPECT_EQ(y, 10);
  const auto [bx, by] = ClampToWorkArea(100, 100, 2000, 2000, work);
  EXPECT_EQ(bx, 0);
  EXPECT_EQ(by, 0);
}

}  // namespace
}  // namespace q836
