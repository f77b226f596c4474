#include "view/palette.h"

#include <gtest/gtest.h>

namespace q836 {
namespace {

TEST(Palette, ContrastRatioFollowsTheGuidelines) {
  EXPECT_NEAR(ContrastRatio({0, 0, 0}, {255, 255, 255}), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio({255, 255, 255}, {0, 0, 0}), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio({119, 119, 119}, {255, 255, 255}), 4.48, 0.01);
  EXPECT_DOUBLE_EQ(ContrastRatio({12, 34, 56}, {12, 34, 56}), 1.0);
}

// The designed colours stay unless the scheme is a high-contrast one or its
// text would not stand out on them; then every surface takes the system's.
TEST(Palette, SystemColoursWhereTheSchemeNeedsThem) {
  const Rgb black{0, 0, 0}, white{255, 255, 255}, grey{240, 240, 240}, cyan{26, 235, 255},
      blue{0, 120, 215}, darkGrey{45, 45, 45}, lightGrey{200, 200, 200};
  const struct {
    const char* name;
    SystemColours colours;
    bool system;
    Rgb warning;
  } cases[] = {
      {"the standard scheme", {false, white, black, grey, black, blue}, false, {192, 0, 0}},
      {"high contrast black, reported", {true, black, white, black, white, cyan}, true, cyan},
      {"high contrast black, not reported", {false, black, white, black, white, cyan}, true, cyan},
      {"high contrast white, reported",
       {true, white, black, white, black, {55, 0, 110}},
       true,
       {55, 0, 110}},
      {"a dark scheme with grey text",
       {false, darkGrey, lightGrey, darkGrey, lightGrey, blue},
       true,
       lightGrey},  // blue does not stand out on dark grey: the text colour warns
      {"dark text that stands out everywhere",
       {false, white, {40, 40, 40}, grey, black, blue},
       false,
       {192, 0, 0}},
  };
  for (const auto& c : cases) {
    const Palette p = ChoosePalette(c.colours);
    EXPECT_EQ(p.system, c.system) << c.name;
    EXPECT_EQ(p.warning, c.warning) << c.name;
    for (int s = 0; s < kSurfaces; ++s) {
      // Whatever the choice, every text stands out on its background.
      EXPECT_GE(ContrastRatio(p.text[s], p.back[s]), kMinimumContrast) << c.name << " " << s;
      if (c.system) {
        EXPECT_EQ(p.back[s], s == kTitleSurface ? c.colours.buttonFace : c.colours.window)
            << c.name;
      }
    }
    EXPECT_GE(ContrastRatio(p.warning, p.back[kFormSurface]), 4.5) << c.name;
    // The drawing view's three classes stay apart, and apart from its background.
    const Rgb view[] = {p.viewBack, p.viewFigure, p.viewKept, p.viewConverted};
    for (int i = 0; i < 4; ++i) {
      for (int j = i + 1; j < 4; ++j) EXPECT_NE(view[i], view[j]) << c.name << " " << i << j;
    }
    if (c.system) {
      EXPECT_EQ(p.viewBack, c.colours.window) << c.name;
    }
  }
}

}  // namespace
}  // namespace q836
