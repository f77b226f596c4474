#include "exchange/entity_formatters.h"

#include <gtest/gtest.h>

#include "tests/drawing_fixture.h"

namespace q836 {
namespace {

using Lines_ = std::vector<std::string>;
using FormatterTest = DrawingFixture;

TEST_F(FormatterTest, DegenerateFiguresAreDropped) {
  EmitBareLine(0, 0, 0.000000005, 0);
  EmitCircle(0, 0, 1e-8);
  EmitCircle(0, 0, -5);
  EmitArc(0, 0, 100, 1, 0, 0, 1);
  EmitText(0, "x", 1, 2, 0, 1e-9);
  EmitText(0, " \x81\x40 ", 1, 2, 1, 0);
  EmitDimension("", 0, 0, 0, 0, 1, 1, 1, 0);
  EmitDimension("", 0, 0, 1, 0, 1, 1, 0, 0);
  EmitSolid2(1, 1, 1, 1);
  EmitSolid3(0, 0, 1, 0, 0, 0);
  EmitSolid4(0, 0, 1, 0, 0, 0, 2, 2);  // c1 = c3: dropped though c2, c4 are distinct
  EmitSolid4(0, 0, 5, 5, 1, 1, 5, 5);  // c2 = c4
  EmitSolid4(0, 0, 0, 0, 3, 3, 3, 3);  // c1 = c2 and c3 = c4
  EmitCircleSolid(0, 0, 1, 1, 0, 0, 0, 1);
  EmitCircleSolid(0, 0, 1, 0, 0, 0, 0, 5);
  EmitRimSolid(0, 0, 1, 1, 0, 0, 0, 5);
  EmitRingSolid(0, 0, 10, 1, 0, 0, 0, 10);
  EmitRingSolid(0, 0, 10, 1, 0, 0, 0, 9.999999995);
  EmitRingSolid2(0, 0, 10, 1, 0, 0, 0, 0);
  EXPECT_EQ(TakeLines(), Lines_{});
}

TEST_F(FormatterTest, ShapeLines) {
  EmitBareLine(0, 0, 0.00000002, 0);
  EmitPoint(10, -2.5);
  EmitCircle(0, 0, 2.5);
  EmitArc(1, 2, 3, 4, 5, 6, 7);
  EmitSolid2(0, 0, 1, 1);
  EmitSolid4(0, 0, 1, 0, 1, 1, 0, 1);
  EmitSolid4(0, 0, 0, 0, 1, 1, 2, 0);  // c1 = c2: three corners c1, c3, c4
  EmitSolid4(0, 0, 1, 0, 1, 1, 0, 0);  // c1 = c4
  EmitCircleSolid(1, 2, 3, 4, 5, 6, 7, 5);
  EmitRimSolid(1, 2, 3, 4, 5, 6, 7, 100);
  EmitRingSolid(0, 0, 10, 1, 0, 0, 0, 5);
  EmitRingSolid2(0, 0, 10, 1, 0, 0, 0, 5);
  EmitPolylineStart();
  EmitPolylineEnd();
  EXPECT_EQ(TakeLines(), (Lines_{"0 0 2E-8 0", "pt 10 -2.5", "ci 0 0 2.5", "ci 1 2 3 4 5 6 7",
                                 "sl 0 0 1 1", "sl 0 0 1 0 1 1 0 1", "sl 0 0 1 1 2 0",
                                 "sl 0 0 1 0 1 1", "sc 1 2 3 4 5 6 7 5", "se 1 2 3 4 5 6 7 100",
                                 "so 0 0 10 1 0 0 0 5", "sg 0 0 10 1 0 0 0 5", "pl", "#"}));
}

TEST_F(FormatterTest, MarkerNormalisation) {
  EmitMarker(12, 1, 2, 1, 0);
  EmitMarker(-7, 1, 2, 1, 0);
  EmitMarker(11, 1, 2, 1, 0);
  EmitMarker(-8, 1, 2, 0, 0);
  EmitMarker(0, 1, 2, -2, 0.5);
  EmitMarker(0, 1, 2, 1e-8, 0);
  EXPECT_EQ(TakeLines(), (Lines_{"pt 1 2 1 0 -3", "pt 1 2 1 0 -7", "pt 1 2 1 0 11", "pt 1 2 1 0 -3",
                                 "pt 1 2 -2 0.5 0", "pt 1 2 1 0 0"}));
}

TEST_F(FormatterTest, TextKeywordsAndTheJoinedText) {
  struct Case {
    int32_t variant;
    const char* keyword;
  } cases[] = {{0, "ch"}, {10, "ch"}, {-1, "ch"}, {1, "cv"}, {8, "cz"}, {9, "c2"}};
  for (const Case& c : cases) {
    EmitText(c.variant, " a b ", 1, 2, 0, 1);
    EXPECT_EQ(TakeLines(), (Lines_{std::string(c.keyword) + " 1 2 0 1 \"", " a b "}));
    EXPECT_FALSE(OutLineCount);
  }
  EmitText(0, "x", 0, 0, 1, 0);
  EXPECT_TRUE(OutLines.JoinsNext(0));
  EXPECT_FALSE(OutLines.JoinsNext(1));
}

TEST_F(FormatterTest, DimensionTextIsTheLengthWhenBlank) {
  EmitDimension("", 0, 0, 1, 1, 5, 6, 1, 0);
  EXPECT_EQ(TakeLines(), (Lines_{"msg", "0 0 1 1", "cs 5 6 1 0 \"", "1.41421356"}));
  EmitDimension("\x81\x40", 0, 0, 3, 4, 5, 6, 1, 0);
  EmitDimension("100", 0, 0, 3, 4, 5, 6, 1, 0);
  EmitDimension("", 0, 0, 1.00000000500001, 0, 0, 0, 1, 0);  // a half at the 9th decimal goes up
  EmitDimension("", -1e308, 0, 1e308, 0, 0, 0, 1, 0);        // beyond a double: no overflow
  EmitDimension("", 0, 0, 123456789012.345678, 0, 0, 0, 1, 0);
  const Lines_ lines = TakeLines();
  EXPECT_EQ(lines[3], "5");
  EXPECT_EQ(lines[7], "100");
  EXPECT_EQ(lines[11], "1.00000001");
  EXPECT_EQ(lines[15], "2E308");
  EXPECT_EQ(lines[19], "123456789012.346");
  EmitDimension("", 0, 0, 1.00000000499999, 0, 0, 0, 1, 0);
  EXPECT_EQ(TakeLines()[3], "1");
}

// The length is the distance as a double, then its exact decimal value cut to
// 8 places: an extended-precision length would round these differently.
TEST_F(FormatterTest, DimensionLengthRoundsTheDoubleDistance) {
  const struct {
    double x1, y1, x2, y2;
    const char* text;
  } cases[] = {
      {6443.7491945022302388679236174, -79.6, 342.257664116918, -3027290.6029280876,
       "3027217.15184883"},
      {0, -83.3, 382.000000005, -83.3, "382.00000001"},
      {0, 0, 0.001953125, 0, "0.00195313"},
      {0, 0, 0.123456785, 0, "0.12345678"},
  };
  for (const auto& c : cases) {
    EmitDimension("", c.x1, c.y1, c.x2, c.y2, 0, 0, 1, 0);
    EXPECT_EQ(TakeLines()[3], c.text) << c.x2;
  }
}

}  // namespace
}  // namespace q836
